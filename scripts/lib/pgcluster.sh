# A throwaway PostgreSQL cluster: initdb into a temporary directory as an
# unprivileged user (initdb refuses root), trust auth on 127.0.0.1 only, a free port.
# After start_pg_cluster: PGHOST, PGPORT, PGUSER and LIR2ORBIT_TEST_PG are exported.

pg_bindir() {
  local v
  v=$(ls /usr/lib/postgresql 2>/dev/null | sort -n | tail -n 1)
  echo "/usr/lib/postgresql/$v/bin"
}

free_port() {
  python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1]); s.close()'
}

as_pg_owner() {
  if [ "$(id -u)" -eq 0 ]; then
    runuser -u postgres -- "$@"
  else
    "$@"
  fi
}

start_pg_cluster() {
  local bin
  bin=$(pg_bindir)
  PG_CLUSTER_DIR=$(mktemp -d /tmp/lir2orbit-pg.XXXXXX)
  [ "$(id -u)" -eq 0 ] && chown postgres: "$PG_CLUSTER_DIR"
  PGPORT=$(free_port)
  as_pg_owner "$bin/initdb" -D "$PG_CLUSTER_DIR/data" -U postgres -A trust -E UTF8 \
    --locale=C.UTF-8 >"$PG_CLUSTER_DIR/initdb.log" 2>&1 || { cat "$PG_CLUSTER_DIR/initdb.log"; return 1; }
  cat >"$PG_CLUSTER_DIR/data/pg_hba.conf" <<HBA
local all all trust
host all all 127.0.0.1/32 trust
HBA
  as_pg_owner "$bin/pg_ctl" -D "$PG_CLUSTER_DIR/data" -l "$PG_CLUSTER_DIR/server.log" -w -t 60 \
    -o "-c listen_addresses=127.0.0.1 -c port=$PGPORT -c unix_socket_directories=$PG_CLUSTER_DIR -c fsync=off -c max_connections=200" \
    start >/dev/null || { cat "$PG_CLUSTER_DIR/server.log"; return 1; }
  export PGHOST=127.0.0.1 PGPORT PGUSER=postgres
  export LIR2ORBIT_TEST_PG="host=127.0.0.1 port=$PGPORT user=postgres"
  export PG_CLUSTER_DIR
  echo "PostgreSQL cluster on 127.0.0.1:$PGPORT ($PG_CLUSTER_DIR)"
}

stop_pg_cluster() {
  [ -n "${PG_CLUSTER_DIR:-}" ] && [ -d "$PG_CLUSTER_DIR/data" ] || return 0
  as_pg_owner "$(pg_bindir)/pg_ctl" -D "$PG_CLUSTER_DIR/data" -m fast -w stop >/dev/null 2>&1 || true
  rm -rf "$PG_CLUSTER_DIR"
  PG_CLUSTER_DIR=
}
