#!/usr/bin/env bash
# Streaming benchmark of tools/tds-testserver: serves "select *" of a table of
# 1,000,000 rows x 10 mixed columns to FreeTDS's bsqldb (output to /dev/null)
# and compares with psql's \copy of the same table. Prints both times and
# their ratio (the target is at most 3). String columns are bounded varchar:
# bsqldb pads every value to its column's declared width, so unbounded
# nvarchar/text columns would measure bsqldb's padding, not the streaming.
# usage: scripts/bench-tds.sh [rows]    (BUILD_DIR defaults to ./build)
set -euo pipefail
LIR2ORBIT_ROOT=$(cd "$(dirname "$0")/.." && pwd)
source "$LIR2ORBIT_ROOT/scripts/lib/deps.sh"
source "$LIR2ORBIT_ROOT/scripts/lib/pgcluster.sh"
ROWS=${1:-1000000}
BUILD_DIR=${BUILD_DIR:-$LIR2ORBIT_ROOT/build}
SERVER="$BUILD_DIR/tools/tds-testserver/tds-testserver"

install_dependencies
if [ ! -x "$SERVER" ]; then
  cmake -S "$LIR2ORBIT_ROOT" -B "$BUILD_DIR" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  cmake --build "$BUILD_DIR" --target tds-testserver -j"$(nproc)"
fi

WORK=$(mktemp -d /tmp/bench-tds.XXXXXX)
SERVER_PID=
cleanup() {
  [ -n "$SERVER_PID" ] && kill "$SERVER_PID" 2>/dev/null && wait "$SERVER_PID" 2>/dev/null || true
  stop_pg_cluster
  rm -rf "$WORK"
}
trap cleanup EXIT
start_pg_cluster >/dev/null

psql -q -d postgres -c "create database qxbench"
psql -q -d qxbench -f "$LIR2ORBIT_ROOT/tools/tds-testserver/sql/source-domains.sql"
psql -q -d qxbench <<SQL
create table t(id int4, code varchar(20), name varchar(40), amount numeric(12,2), price money,
  qty float8, flag boolean, created datetime, note varchar(60), kind int2);
insert into t select g, 'C' || g, '名称' || (g % 1000), (g % 100000) / 100.0, g / 10000.0,
  g * 0.5, g % 2 = 0, timestamp '2024-01-01' + g * interval '1 second', '备注 ' || g, (g % 100)::int2
  from generate_series(1, $ROWS) g;
analyze t;
SQL

"$SERVER" --port 0 --postgres "$LIR2ORBIT_TEST_PG" >"$WORK/server.out" 2>"$WORK/server.log" &
SERVER_PID=$!
for _ in $(seq 100); do grep -q listening "$WORK/server.out" 2>/dev/null && break; sleep 0.1; done
PORT=$(sed -n 's/^listening on 127.0.0.1://p' "$WORK/server.out")
echo "select * from t" >"$WORK/query.sql"

# Prints "elapsed user system" seconds of one command, its output discarded.
measure() { local TIMEFORMAT='%R %U %S'; { time "$@" >/dev/null 2>&1; } 2>&1; }

read -r PSQL_TIME _ _ < <(measure psql -q -d qxbench -c "\copy (select * from t) to '/dev/null'")
read -r BSQLDB_TIME BSQLDB_USER BSQLDB_SYS < <(measure env TDSVER=7.4 bsqldb -S "127.0.0.1:$PORT" \
  -U sa -P Test-Pass1 -D qxbench -i "$WORK/query.sql")
echo "rows: $ROWS"
echo "psql \\copy:            ${PSQL_TIME} s"
echo "tds-testserver+bsqldb: ${BSQLDB_TIME} s"
echo "ratio: $(awk "BEGIN { printf \"%.2f\", $BSQLDB_TIME / $PSQL_TIME }")"
# bsqldb's own formatting is part of the elapsed time; its CPU shows the floor.
echo "bsqldb's own CPU:      $(awk "BEGIN { printf \"%.2f\", $BSQLDB_USER + $BSQLDB_SYS }") s"
