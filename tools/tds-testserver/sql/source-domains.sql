-- SQL Server type names for legacy source account sets kept in PostgreSQL.
-- tds-testserver reports a column of one of these domains as the SQL Server
-- type of the same name; native types (int2/int4/int8, numeric(p,s), float4,
-- float8, boolean for bit, varchar(n), char(n), text, bytea) map by themselves.
-- PostgreSQL has its own "money", so public is put before pg_catalog for this
-- database; "nchar" is PostgreSQL's spelling of char and must be written quoted.
do $$ begin
  execute format('alter database %I set search_path = public, pg_catalog', current_database());
end $$;
set search_path = public, pg_catalog;
create domain public.tinyint as smallint check (value between 0 and 255);
create domain public.money as numeric(19,4);
create domain public.smallmoney as numeric(10,4);
create domain public.datetime as timestamp(3);
create domain public.smalldatetime as timestamp(0);
create domain public.nvarchar as varchar;
create domain public."nchar" as varchar;
create domain public.ntext as text;
create domain public.image as bytea;
create domain public.varbinary as bytea;
create domain public.uniqueidentifier as uuid;
