#!/usr/bin/env bash
# Read rate of the source backend and write rate of COPY flushes on the target.
# Usage: scripts/bench-db.sh [rows]   (default 1000000)
set -euo pipefail
LIR2ORBIT_ROOT=$(cd "$(dirname "$0")/.." && pwd)
source "$LIR2ORBIT_ROOT/scripts/lib/deps.sh"
source "$LIR2ORBIT_ROOT/scripts/lib/pgcluster.sh"

BUILD_DIR=${BUILD_DIR:-$LIR2ORBIT_ROOT/build}
install_dependencies
cmake -S "$LIR2ORBIT_ROOT" -B "$BUILD_DIR" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$BUILD_DIR" --target db_bench -j"$(nproc)" >/dev/null

trap stop_pg_cluster EXIT
start_pg_cluster >/dev/null
"$BUILD_DIR/tests/db/bench/db_bench" "${1:-1000000}" 2> >(grep -v 'logged in\|listening\|stopping' >&2)
