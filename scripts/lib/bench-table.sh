# The benchmarks' generated source table: 12 columns (integers, exact decimals,
# datetimes, Chinese varchar, a memo that is NULL in every third row) in a source
# database with the SQL Server type domains, and the same table as the tool
# creates it on the target.

# bench_columns_source MEMO_TYPE / bench_columns_target MEMO_TYPE
bench_columns_source() {
  echo "id int, qty int, big bigint, price numeric(18,4), amount numeric(18,2), rate numeric(9,6),
  made datetime, changed datetime, name varchar(60), model varchar(40), memo $1, flag smallint"
}
bench_columns_target() {
  echo "id int primary key, qty int, big bigint, price numeric(18,4), amount numeric(18,2), rate numeric(9,6),
  made timestamp, changed timestamp, name varchar(60), model varchar(40), memo $1, flag smallint"
}

# bench_generate TABLE ROWS MEMO_TYPE: the SQL that creates and fills TABLE.
bench_generate() {
  echo "create table $1 ($(bench_columns_source "$3"));
  insert into $1 select g, g % 1000, g * 1000003::bigint, (g % 100000) * 1.2345, g * 0.01, (g % 997) / 997.0,
    timestamp '2020-01-01' + g * interval '1 second', timestamp '2024-06-30 12:00:00.123' - g * interval '1 minute',
    '商品名称' || g || '号', '规格型号' || (g % 100), case when g % 3 = 0 then null else '备注说明' || g end, g % 2
  from generate_series(1, $2) g;"
}

# bench_fingerprints DATABASE TABLE UTC_COLUMNS: one line per column, "name md5",
# over the values in id order: NULL as \N, decimals without trailing zeros, the
# UTC_COLUMNS (space-separated; timestamptz) in UTC.
bench_fingerprints() {
  local db=$1 table=$2 utc=" ${3:-} " sql="" col expr
  for col in id qty big price amount rate made changed name model memo flag; do
    case $col in
      price | amount | rate) expr="trim_scale($col::numeric)::text" ;;
      *) expr="$col::text" ;;
    esac
    [[ $utc == *" $col "* ]] && expr="($col at time zone 'UTC')::text"
    sql+="${sql:+ union all }select '$col', md5(string_agg(coalesce($expr, '\\N'), ',' order by id)) from $table"
  done
  psql -At -X -F ' ' -v ON_ERROR_STOP=1 -d "$db" -c "$sql"
}
