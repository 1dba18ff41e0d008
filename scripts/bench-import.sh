#!/usr/bin/env bash
# Table import benchmark: rows per second of ImportTable for a generated source
# table of ROWS rows (default 1,000,000) x 12 columns (integers, exact decimals,
# datetimes, Chinese varchar, one nullable column) read through the SQL Server
# test server into the PostgreSQL cluster, against the plain load limit: psql
# \copy of the same rows from a file into an identical empty table. Also the rate
# of a binary table (10-row flushes, 50 KB attachments) and the tool's peak
# resident memory for 100,000 against ROWS rows. Prints figures; asserts nothing.
# The load and the import run twice each, alternating; the faster of each counts.
# The import is also run twice without verification (the table read back and
# compared), to show what the check costs.
#
#   scripts/bench-import.sh            (BUILD_DIR, ROWS, ATTACH_ROWS may be set)
set -euo pipefail

ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=${BUILD_DIR:-$ROOT/build}
ROWS=${ROWS:-1000000}
SMALL_ROWS=$((ROWS / 10))
ATTACH_ROWS=${ATTACH_ROWS:-2000}

# shellcheck source=lib/pgcluster.sh
source "$ROOT/scripts/lib/pgcluster.sh"
# shellcheck source=lib/bench-table.sh
source "$ROOT/scripts/lib/bench-table.sh"
# shellcheck source=lib/bench-servers.sh
source "$ROOT/scripts/lib/bench-servers.sh"

cmake -S "$ROOT" -B "$BUILD" >/dev/null
cmake --build "$BUILD" --target import_bench tds-testserver -j2 >/dev/null

start_bench_servers bench-import

now() { date +%s.%N; }
elapsed() { python3 -c "print(f'{$2 - $1:.3f}')"; }
rate() { python3 -c "print(f'{$1 / $2:,.0f}')"; }

psql -q -X -v ON_ERROR_STOP=1 -d postgres -c "create database bench_src" -c "create database bench_tgt"
psql -q -X -v ON_ERROR_STOP=1 -d bench_src -f "$ROOT/tools/tds-testserver/sql/source-domains.sql" >/dev/null

generate() { bench_generate "$1" "$2" "varchar(100)"; }
echo "generating $ROWS + $SMALL_ROWS rows and $ATTACH_ROWS attachments ..."
{
  generate bench_big "$ROWS"
  generate bench_small "$SMALL_ROWS"
  echo "create table bench_attach (id int, name varchar(40), data image);
  insert into bench_attach select g, '附件' || g, decode(repeat(md5(g::text), 3200), 'hex') from generate_series(1, $ATTACH_ROWS) g;"
} | psql -q -X -v ON_ERROR_STOP=1 -d bench_src
psql -q -X -v ON_ERROR_STOP=1 -d bench_tgt \
  -c "create table bench_big ($(bench_columns_target "varchar(100)"))" \
  -c "create table bench_load ($(bench_columns_target "varchar(100)"))" \
  -c "create table bench_small ($(bench_columns_target "varchar(100)"))" -c "create table bench_attach (id int primary key, name varchar(40), data bytea)"
psql -q -X -v ON_ERROR_STOP=1 -d bench_src -c "\\copy bench_big to '$WORK/big.copy'"

run_copy() {  # -> seconds
  psql -q -X -v ON_ERROR_STOP=1 -d bench_tgt -c "truncate bench_load"
  local t0 t1
  t0=$(now)
  psql -q -X -v ON_ERROR_STOP=1 -d bench_tgt -c "\\copy bench_load from '$WORK/big.copy'"
  t1=$(now)
  elapsed "$t0" "$t1"
}
run_import() {  # table [verify 1|0] -> "seconds peak_rss_kib"
  LIR2ORBIT_VERIFY=${2:-1} "$BUILD/tests/engine/bench/import_bench" 127.0.0.1 "$PGPORT" bench_tgt "$TDS_PORT" sa Test-Pass1 bench_src "$1" |
    tee "$WORK/import-$1-${2:-1}.out" | sed -n 's/.*seconds=\([0-9.]*\) peak_rss_kib=\([0-9]*\).*/\1 \2/p'
}
# Two rounds, alternating, on a machine that is shared: the faster of each counts.
copy_s=$(run_copy)
read -r import_s big_rss < <(run_import bench_big)
copy_again=$(run_copy)
psql -q -X -v ON_ERROR_STOP=1 -d bench_tgt -c "truncate bench_big"
read -r import_again _ < <(run_import bench_big)
copy_s=$(python3 -c "print(min($copy_s, $copy_again))")
import_s=$(python3 -c "print(min($import_s, $import_again))")
# The same import without reading the table back, twice; the faster counts.
read -r plain_s _ < <(run_import bench_big 0)
read -r plain_again _ < <(run_import bench_big 0)
plain_s=$(python3 -c "print(min($plain_s, $plain_again))")
read -r _ small_rss < <(run_import bench_small)
read -r attach_s _ < <(run_import bench_attach)
copied=$(psql -At -X -d bench_tgt -c "select count(*) from bench_big")
[ "$copied" = "$ROWS" ] || { echo "import copied $copied of $ROWS rows"; exit 1; }

echo
echo "psql \\copy of $ROWS rows:        ${copy_s} s  ($(rate "$ROWS" "$copy_s") rows/s)"
echo "table import of $ROWS rows:      ${import_s} s  ($(rate "$ROWS" "$import_s") rows/s)"
echo "import without verification:   ${plain_s} s  ($(rate "$ROWS" "$plain_s") rows/s)"
echo "verified table:                $(sed -n 's/.*status=\(.*\) last_line=.*/\1/p' "$WORK/import-bench_big-1.out")"
echo "verification costs:            $(python3 -c "print(f'{($import_s - $plain_s) * 100 / $plain_s:+.1f}')")%  (goal: at most +25%)"
echo "import / \\copy:                 $(python3 -c "print(f'{$import_s / $copy_s:.2f}')")x  (goal: at most 2.5x)"
echo "binary table, $ATTACH_ROWS x 50 KB:   ${attach_s} s  ($(rate "$ATTACH_ROWS" "$attach_s") rows/s,"\
" $(python3 -c "print(f'{$ATTACH_ROWS * 51200 / 1048576 / $attach_s:.1f}')") MB/s)"
echo "peak RSS, $SMALL_ROWS rows:        ${small_rss} KiB"
echo "peak RSS, $ROWS rows:       ${big_rss} KiB  ($(python3 -c "print(f'{($big_rss - $small_rss) * 100 / $small_rss:+.1f}')")%)"
