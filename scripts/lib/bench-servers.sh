# The servers of a benchmark: a throwaway PostgreSQL cluster and the SQL Server
# test server on it, both stopped (and WORK removed) however the script ends.
# Sourced after pgcluster.sh; needs ROOT and BUILD.

# start_bench_servers NAME: sets WORK (a scratch directory), TDS_PID and TDS_PORT.
start_bench_servers() {
  WORK=$(mktemp -d "/tmp/$1.XXXXXX")
  chmod 755 "$WORK"
  TDS_PID=
  trap stop_bench_servers EXIT
  start_pg_cluster >/dev/null

  "$BUILD/tools/tds-testserver/tds-testserver" --port 0 --postgres "$LIR2ORBIT_TEST_PG" \
    >"$WORK/tds.out" 2>"$WORK/tds.err" &
  TDS_PID=$!
  for _ in $(seq 100); do
    grep -q '^listening on' "$WORK/tds.out" 2>/dev/null && break
    sleep 0.1
  done
  TDS_PORT=$(sed -n 's/^listening on 127.0.0.1:\([0-9]*\).*/\1/p' "$WORK/tds.out")
  [ -n "$TDS_PORT" ] || { echo "tds-testserver did not start"; cat "$WORK/tds.err"; exit 1; }
}

stop_bench_servers() {
  [ -n "$TDS_PID" ] && kill "$TDS_PID" 2>/dev/null && wait "$TDS_PID" 2>/dev/null
  stop_pg_cluster
  rm -rf "$WORK"
}
