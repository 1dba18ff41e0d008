#include "tds-testserver/SqlRewriter.h"

namespace tdsserver {

// SQL Server's catalogue as session views over PostgreSQL's: schema dbo, SQL Server type
// names, lengths as the columns are declared to clients (varchar(n) as 2n bytes).
// SQL Server numbers its four system databases 1 to 4 and user databases above;
// the PostgreSQL cluster's own databases are not shown.
const char* SqlRewriter::catalogueSetupSql() {
    return R"(
create temp view sysdatabases as
  select name::varchar(128) as name, dbid::smallint as dbid
  from (values ('master', 1), ('tempdb', 2), ('model', 3), ('msdb', 4)) s(name, dbid)
  union all
  select datname::varchar(128), (4 + row_number() over (order by oid))::smallint
  from pg_database
  where datname not in ('master', 'tempdb', 'model', 'msdb', 'postgres', 'template0', 'template1');
create temp view sysobjects as
  select c.relname::varchar(128) as name, c.oid::int as id,
         (case c.relkind when 'v' then 'V' else 'U' end)::char(2) as xtype
  from pg_class c join pg_namespace n on n.oid = c.relnamespace
  where c.relkind in ('r', 'p', 'v') and n.nspname = 'public';
create temp view sqlserver_columns as
  select c.oid::int as object_id, c.relname::varchar(128) as table_name, c.relkind,
         a.attname::varchar(128) as name, a.attnum::int as column_id, a.attnotnull,
         d.typ, d.typmod,
         a.attidentity in ('a', 'd') or coalesce(pg_get_expr(ad.adbin, ad.adrelid) like 'nextval(%', false) as is_identity,
         case when a.attidentity in ('a', 'd') or pg_get_expr(ad.adbin, ad.adrelid) like 'nextval(%' then null
              else pg_get_expr(ad.adbin, ad.adrelid) end as default_text
  from pg_attribute a
  join pg_class c on c.oid = a.attrelid
  join pg_namespace n on n.oid = c.relnamespace
  join pg_type t on t.oid = a.atttypid
  left join pg_type bt on bt.oid = t.typbasetype
  left join pg_attrdef ad on ad.adrelid = a.attrelid and ad.adnum = a.attnum
  cross join lateral (select
      case when t.typtype = 'd' and t.typname in ('tinyint', 'money', 'smallmoney', 'datetime',
             'smalldatetime', 'nvarchar', 'nchar', 'ntext', 'image', 'varbinary', 'uniqueidentifier')
           then t.typname::text
           else case coalesce(bt.typname, t.typname)
             when 'int2' then 'smallint' when 'int4' then 'int' when 'int8' then 'bigint'
             when 'oid' then 'bigint' when 'bool' then 'bit' when 'numeric' then 'numeric'
             when 'float4' then 'real' when 'float8' then 'float' when 'bpchar' then 'char'
             when 'text' then 'text' when 'bytea' then 'image' when 'date' then 'datetime'
             when 'timestamp' then 'datetime' when 'timestamptz' then 'datetime'
             when 'uuid' then 'uniqueidentifier' else 'varchar' end
      end as typ,
      case when t.typtype = 'd' then t.typtypmod else a.atttypmod end as typmod) d
  where a.attnum > 0 and not a.attisdropped and n.nspname = 'public' and c.relkind in ('r', 'p', 'v');
create temp view sqlserver_column_facts as
  select s.*,
    (case when s.typ in ('varchar', 'char') then case when s.typmod >= 4 then least((s.typmod - 4) * 2, 8000) else 8000 end
          when s.typ in ('nvarchar', 'nchar') then 4000 when s.typ = 'varbinary' then 8000
          when s.typ in ('text', 'image') then 2147483647 when s.typ = 'ntext' then 1073741823 end)::int as char_length,
    (case s.typ when 'tinyint' then 3 when 'smallint' then 5 when 'int' then 10 when 'bigint' then 19
          when 'money' then 19 when 'smallmoney' then 10 when 'real' then 24 when 'float' then 53
          when 'numeric' then case when s.typmod >= 4 then least(((s.typmod - 4) >> 16) & 65535, 38) else 38 end
     end)::smallint as num_precision,
    (case when s.typ in ('real', 'float') then 2
          when s.typ in ('tinyint', 'smallint', 'int', 'bigint', 'money', 'smallmoney', 'numeric') then 10 end)::smallint as num_radix,
    (case when s.typ in ('tinyint', 'smallint', 'int', 'bigint') then 0
          when s.typ in ('money', 'smallmoney') then 4
          when s.typ = 'numeric' then case when s.typmod >= 4 then (s.typmod - 4) & 65535 else 10 end
     end)::int as num_scale,
    (case s.typ when 'datetime' then 3 when 'smalldatetime' then 0 end)::smallint as dt_precision,
    (case when s.typ in ('varchar', 'char', 'text') then 'cp936'
          when s.typ in ('nvarchar', 'nchar', 'ntext') then 'UNICODE' end)::varchar(128) as charset,
    (case when s.typ in ('varchar', 'char', 'text', 'nvarchar', 'nchar', 'ntext') then 'Chinese_PRC_CI_AS' end)::varchar(128) as coll_name,
    (case when s.default_text is null then null
          when s.default_text ~ '^-?[0-9.]+$' then '((' || s.default_text || '))'
          when s.default_text ~ '^''.*''::' then '(' || regexp_replace(s.default_text, '::[a-z ]+$', '') || ')'
          when s.default_text ~* '^(now\(\)|localtimestamp|current_timestamp)' then '(getdate())'
          when s.default_text = 'true' then '((1))' when s.default_text = 'false' then '((0))'
          else '(' || s.default_text || ')' end)::varchar(4000) as default_sqlserver
  from sqlserver_columns s;
create temp view information_schema_columns as
  select current_database()::varchar(128) as table_catalog, 'dbo'::varchar(128) as table_schema,
         table_name, name as column_name, column_id as ordinal_position,
         default_sqlserver as column_default,
         (case when attnotnull then 'NO' else 'YES' end)::varchar(3) as is_nullable,
         typ::varchar(128) as data_type, char_length as character_maximum_length,
         char_length as character_octet_length, num_precision as numeric_precision,
         num_radix as numeric_precision_radix, num_scale as numeric_scale,
         dt_precision as datetime_precision, null::varchar(128) as character_set_catalog,
         null::varchar(128) as character_set_schema, charset as character_set_name,
         null::varchar(128) as collation_catalog, null::varchar(128) as collation_schema,
         coll_name as collation_name, null::varchar(128) as domain_catalog,
         null::varchar(128) as domain_schema, null::varchar(128) as domain_name
  from sqlserver_column_facts;
create temp view information_schema_tables as
  select current_database()::varchar(128) as table_catalog, 'dbo'::varchar(128) as table_schema,
         c.relname::varchar(128) as table_name,
         (case c.relkind when 'v' then 'VIEW' else 'BASE TABLE' end)::varchar(10) as table_type
  from pg_class c join pg_namespace n on n.oid = c.relnamespace
  where c.relkind in ('r', 'p', 'v') and n.nspname = 'public';
create temp view sys_schemas as
  select 1 as schema_id, 'dbo'::varchar(128) as name, 1 as principal_id;
create temp view sys_objects as
  select c.oid::int as object_id, c.relname::varchar(128) as name, 1 as schema_id,
         0 as parent_object_id,
         (case c.relkind when 'v' then 'V' else 'U' end)::char(2) as type,
         (case c.relkind when 'v' then 'VIEW' else 'USER_TABLE' end)::varchar(60) as type_desc,
         false as is_ms_shipped
  from pg_class c join pg_namespace n on n.oid = c.relnamespace
  where c.relkind in ('r', 'p', 'v') and n.nspname = 'public'
  union all
  select k.oid::int, k.conname::varchar(128), 1, k.conrelid::int,
         (case k.contype when 'p' then 'PK' when 'u' then 'UQ' when 'f' then 'F' else 'C' end)::char(2),
         (case k.contype when 'p' then 'PRIMARY_KEY_CONSTRAINT' when 'u' then 'UNIQUE_CONSTRAINT'
               when 'f' then 'FOREIGN_KEY_CONSTRAINT' else 'CHECK_CONSTRAINT' end)::varchar(60),
         false
  from pg_constraint k join pg_namespace n on n.oid = k.connamespace
  where n.nspname = 'public' and k.contype in ('p', 'u', 'f', 'c') and k.conrelid <> 0;
create temp view sys_tables as
  select object_id, name, schema_id, parent_object_id, type, type_desc, is_ms_shipped
  from sys_objects where type = 'U';
create temp view sys_columns as
  select object_id, name, column_id,
         (case when typ in ('varchar', 'char', 'nvarchar', 'nchar', 'varbinary') then char_length * (case when typ in ('nvarchar', 'nchar') then 2 else 1 end)
               when typ in ('text', 'ntext', 'image') then 16
               when typ in ('tinyint', 'bit') then 1 when typ = 'smallint' then 2
               when typ in ('int', 'real', 'smallmoney', 'smalldatetime') then 4
               when typ in ('bigint', 'float', 'money', 'datetime') then 8
               when typ = 'uniqueidentifier' then 16
               when typ = 'numeric' then case when num_precision <= 9 then 5 when num_precision <= 19 then 9 when num_precision <= 28 then 13 else 17 end
          end)::smallint as max_length,
         coalesce(num_precision, 0)::smallint as precision, coalesce(num_scale, 0)::smallint as scale,
         coll_name as collation_name, not attnotnull as is_nullable, is_identity, false as is_computed
  from sqlserver_column_facts;
create temp view sqlserver_indexes as
  select x.indexrelid, x.indrelid, x.indkey, x.indnkeyatts, x.indoption, x.indisprimary, x.indisunique,
         (row_number() over (partition by x.indrelid order by x.indisprimary desc, x.indexrelid))::int as index_id,
         k.contype
  from pg_index x
  join pg_class c on c.oid = x.indrelid
  join pg_namespace n on n.oid = c.relnamespace
  left join pg_constraint k on k.conindid = x.indexrelid and k.contype in ('p', 'u')
  where n.nspname = 'public';
create temp view sys_indexes as
  select i.indrelid::int as object_id, ic.relname::varchar(128) as name, i.index_id,
         (case when i.indisprimary then 1 else 2 end)::smallint as type,
         (case when i.indisprimary then 'CLUSTERED' else 'NONCLUSTERED' end)::varchar(60) as type_desc,
         i.indisunique as is_unique, i.indisprimary as is_primary_key,
         coalesce(i.contype = 'u', false) as is_unique_constraint,
         false as is_disabled, false as has_filter, null::varchar(4000) as filter_definition
  from sqlserver_indexes i join pg_class ic on ic.oid = i.indexrelid
  union all
  select o.object_id, null, 0, 0::smallint, 'HEAP', false, false, false, false, false, null
  from sys_objects o
  where o.type = 'U' and not exists (select 1 from pg_index x where x.indrelid = o.object_id and x.indisprimary);
create temp view sys_index_columns as
  select i.indrelid::int as object_id, i.index_id, k.n::int as index_column_id,
         k.attnum::int as column_id,
         (case when k.n <= i.indnkeyatts then k.n else 0 end)::smallint as key_ordinal,
         false as is_descending_key, k.n > i.indnkeyatts as is_included_column
  from sqlserver_indexes i
  cross join lateral unnest(i.indkey::int2[]) with ordinality k(attnum, n)
  where k.attnum > 0;
create temp view sys_foreign_keys as
  select k.oid::int as object_id, k.conname::varchar(128) as name, 1 as schema_id,
         k.conrelid::int as parent_object_id, k.confrelid::int as referenced_object_id,
         'F'::char(2) as type, 'FOREIGN_KEY_CONSTRAINT'::varchar(60) as type_desc,
         (case k.confdeltype when 'c' then 1 when 'n' then 2 when 'd' then 3 else 0 end)::smallint as delete_referential_action,
         (case k.confdeltype when 'c' then 'CASCADE' when 'n' then 'SET_NULL' when 'd' then 'SET_DEFAULT' else 'NO_ACTION' end)::varchar(60) as delete_referential_action_desc,
         (case k.confupdtype when 'c' then 1 when 'n' then 2 when 'd' then 3 else 0 end)::smallint as update_referential_action,
         (case k.confupdtype when 'c' then 'CASCADE' when 'n' then 'SET_NULL' when 'd' then 'SET_DEFAULT' else 'NO_ACTION' end)::varchar(60) as update_referential_action_desc,
         false as is_disabled
  from pg_constraint k join pg_namespace n on n.oid = k.connamespace
  where k.contype = 'f' and n.nspname = 'public';
create temp view sys_foreign_key_columns as
  select k.oid::int as constraint_object_id, p.n::int as constraint_column_id,
         k.conrelid::int as parent_object_id, p.attnum::int as parent_column_id,
         k.confrelid::int as referenced_object_id, k.confkey[p.n]::int as referenced_column_id
  from pg_constraint k join pg_namespace n on n.oid = k.connamespace
  cross join lateral unnest(k.conkey) with ordinality p(attnum, n)
  where k.contype = 'f' and n.nspname = 'public';
create temp view information_schema_table_constraints as
  select current_database()::varchar(128) as constraint_catalog, 'dbo'::varchar(128) as constraint_schema,
         k.conname::varchar(128) as constraint_name, current_database()::varchar(128) as table_catalog,
         'dbo'::varchar(128) as table_schema, c.relname::varchar(128) as table_name,
         (case k.contype when 'p' then 'PRIMARY KEY' when 'u' then 'UNIQUE' when 'f' then 'FOREIGN KEY' else 'CHECK' end)::varchar(11) as constraint_type
  from pg_constraint k join pg_class c on c.oid = k.conrelid join pg_namespace n on n.oid = k.connamespace
  where n.nspname = 'public' and k.contype in ('p', 'u', 'f', 'c');
create temp view information_schema_key_column_usage as
  select current_database()::varchar(128) as constraint_catalog, 'dbo'::varchar(128) as constraint_schema,
         k.conname::varchar(128) as constraint_name, current_database()::varchar(128) as table_catalog,
         'dbo'::varchar(128) as table_schema, c.relname::varchar(128) as table_name,
         a.attname::varchar(128) as column_name, p.n::int as ordinal_position
  from pg_constraint k join pg_class c on c.oid = k.conrelid join pg_namespace n on n.oid = k.connamespace
  cross join lateral unnest(k.conkey) with ordinality p(attnum, n)
  join pg_attribute a on a.attrelid = k.conrelid and a.attnum = p.attnum
  where n.nspname = 'public' and k.contype in ('p', 'u', 'f');
create temp view information_schema_referential_constraints as
  select current_database()::varchar(128) as constraint_catalog, 'dbo'::varchar(128) as constraint_schema,
         k.conname::varchar(128) as constraint_name,
         current_database()::varchar(128) as unique_constraint_catalog, 'dbo'::varchar(128) as unique_constraint_schema,
         u.conname::varchar(128) as unique_constraint_name, 'SIMPLE'::varchar(7) as match_option,
         (case k.confupdtype when 'c' then 'CASCADE' when 'n' then 'SET NULL' when 'd' then 'SET DEFAULT' else 'NO ACTION' end)::varchar(11) as update_rule,
         (case k.confdeltype when 'c' then 'CASCADE' when 'n' then 'SET NULL' when 'd' then 'SET DEFAULT' else 'NO ACTION' end)::varchar(11) as delete_rule
  from pg_constraint k join pg_namespace n on n.oid = k.connamespace
  join pg_constraint u on u.conindid = k.conindid and u.contype in ('p', 'u')
  where k.contype = 'f' and n.nspname = 'public';
create function pg_temp.object_id(text) returns int language sql stable
  as $$ select to_regclass(regexp_replace(replace(replace($1, '[', ''), ']', ''), '^dbo\.', '', 'i'))::oid::int $$;
create function pg_temp.object_name(int) returns varchar(128) language sql stable
  as $$ select name from sys_objects where object_id = $1 $$;
create function pg_temp.schema_name(int default 1) returns varchar(128) language sql immutable
  as $$ select case $1 when 1 then 'dbo'::varchar(128) end $$;
create function pg_temp.len(text) returns int language sql immutable
  as $$ select length(rtrim($1, ' ')) $$;
create function pg_temp.columnproperty(int, text, text) returns int language sql stable
  as $$ select case when lower($3) = 'isidentity' then (select is_identity::int from sqlserver_columns where object_id = $1 and name = $2)
                    when lower($3) = 'allowsnull' then (select (not attnotnull)::int from sqlserver_columns where object_id = $1 and name = $2)
                    when lower($3) = 'columnid' then (select column_id from sqlserver_columns where object_id = $1 and name = $2) end $$;
create function pg_temp.iso8601(timestamp) returns varchar(30) language sql immutable
  as $$ select case when date_trunc('second', $1) = $1 then to_char($1, 'YYYY-MM-DD"T"HH24:MI:SS')
                    else to_char($1, 'YYYY-MM-DD"T"HH24:MI:SS.MS') end $$;
)";
}

}  // namespace tdsserver
