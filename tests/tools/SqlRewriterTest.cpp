#include <gtest/gtest.h>

#include "app/Connections.h"
#include "app/StartChecks.h"
#include "engine/SourceStatements.h"
#include "source/AccountCode.h"
#include "source/SqlText.h"
#include "tds-testserver/BatchSplitter.h"
#include "tds-testserver/SqlRewriter.h"

using tdsserver::BatchSplitter;
using tdsserver::SqlRewriter;

namespace {

namespace sourcesql = engine::sourcesql;

struct RewriteCase {
    std::string tsql;
    std::string postgres;
};

TEST(SqlRewriter, EveryStatementTheToolSends) {
    const RewriteCase cases[] = {
        {app::kSourceListSql, app::kSourceListSql},
        {app::kAccountingSystemSql, app::kAccountingSystemSql},
        {app::kDepartmentSql,
         "select 1 from l_department d group by coalesce(shopid,0),name having cast(count(1) as "
         "int)>1"},
        {app::kPeriodSql, app::kPeriodSql},
        {sourcesql::kStampValues, sourcesql::kStampValues},
        {sourcesql::kApprovalCondition, sourcesql::kApprovalCondition},
        {sourcesql::kPositionTable, sourcesql::kPositionTable},
        {sourcesql::CountRows(sourcesql::SourceSqlName("t_order", "order")),
         "select cast(count(1) as int) as cnt from \"order\" where 1=1 "},
        {sourcesql::ColumnList("l_goods"), sourcesql::ColumnList("l_goods")},
        {sourcesql::AllRows("am_sysparam"), sourcesql::AllRows("am_sysparam")},
        {sourcesql::UserKinds("am_kind"), sourcesql::UserKinds("am_kind")},
        {sourcesql::AttachmentPage(20),
         "select * from p_orderattach m inner join (select billid,itemno,billtypeid from "
         "t_p_orderattach where id > 20 order by id "
         "limit 10) d   on m.billid = d.billid and m.itemno=d.itemno and m.billtypeid = "
         "d.billtypeid"},
        {sourcesql::kDropStaging, sourcesql::kDropStaging},
        {source::DatabaseExistsSql(source::SourceDatabaseName("ABC")),
         source::DatabaseExistsSql(source::SourceDatabaseName("ABC"))},
        // Shapes the rules must also handle beyond the tool's own texts.
        {"select top 3 name from [dbo].[My Table] where x = N'it''s [not] isnull(' order by name",
         "select name from \"My Table\" where x = 'it''s [not] isnull(' order by name limit 3"},
        {"select top (5) * from t;", "select * from t limit 5;"},
        {"select name from master..sysdatabases", "select name from sysdatabases"},
        // A legacy table named by a reserved word stays a name.
        {"select count(1) as cnt from [order] where 1=1 ",
         "select cast(count(1) as int) as cnt from \"order\" where 1=1 "},
        {"select * from [dbo].[Order]", "select * from \"order\""},
    };
    for (const RewriteCase& c : cases) {
        SCOPED_TRACE(c.tsql);
        EXPECT_EQ(SqlRewriter::rewrite(c.tsql), c.postgres);
    }
}

TEST(SqlRewriter, CatalogueFunctionsAndTypesOfOtherClients) {
    const RewriteCase cases[] = {
        {"select len(name), count(*), count_big(*) from t",
         "select pg_temp.len(name), cast(count(*) as int), count(*) from t"},
        {"select cast(1 as bit), getdate(), @@rowcount, @@trancount",
         "select cast(1 as boolean), localtimestamp(3), 7, 1"},
        {"SELECT [id], convert(varchar(30), [dt], 126), convert(int, '5') FROM [dbo].[typed];",
         "SELECT id, pg_temp.iso8601(dt), cast('5' as int) FROM typed;"},
        {"COLUMNPROPERTY(OBJECT_ID(c.TABLE_SCHEMA + '.' + c.TABLE_NAME), c.COLUMN_NAME, "
         "'IsIdentity')",
         "pg_temp.COLUMNPROPERTY(pg_temp.OBJECT_ID(c.TABLE_SCHEMA || '.' || c.TABLE_NAME), "
         "c.COLUMN_NAME, 'IsIdentity')"},
        {"select KCU1.CONSTRAINT_NAME AS 'CONSTRAINT_NAME' from "
         "INFORMATION_SCHEMA.KEY_COLUMN_USAGE KCU1",
         "select KCU1.CONSTRAINT_NAME AS \"CONSTRAINT_NAME\" from "
         "information_schema_KEY_COLUMN_USAGE KCU1"},
        {"select schema_name(schema_id), co.[name] from sys.indexes i join sys.objects o on 1=1 "
         "join sys.index_columns ic on 1=1 join sys.columns co on 1=1",
         "select pg_temp.schema_name(schema_id), co.name from sys_indexes i join sys_objects o on "
         "1=1 join sys_index_columns ic on 1=1 join sys_columns co on 1=1"},
        // Literals keep every word that a rule would otherwise touch.
        {"select 'len(x) + count(*) @@rowcount [a] dbo.t' as v",
         "select 'len(x) + count(*) @@rowcount [a] dbo.t' as v"},
    };
    tdsserver::SessionValues values;
    values.rowCount = 7;
    values.tranCount = 1;
    for (const RewriteCase& c : cases) {
        SCOPED_TRACE(c.tsql);
        EXPECT_EQ(SqlRewriter::rewrite(c.tsql, values), c.postgres);
    }
    EXPECT_NE(SqlRewriter::rewrite("select @@version").find("'Microsoft SQL Server 2005 - 9.00"),
              std::string::npos);
}

TEST(SqlRewriter, StagingCommandBecomesThreeStatementsAndAConditionalCreate) {
    const std::vector<std::string> statements = BatchSplitter::split(sourcesql::StagingCommand());
    ASSERT_EQ(statements.size(), 3u);
    EXPECT_EQ(statements[1], "delete from t_p_orderattach");
    EXPECT_EQ(SqlRewriter::rewrite(statements[2]),
              "insert into t_p_orderattach(billid,itemno,billtypeid)" + std::string(85, ' ') +
                  "select billid,itemno,billtypeid from p_orderattach");

    const auto block = BatchSplitter::parseIfExists(statements[0]);
    ASSERT_TRUE(block.has_value());
    EXPECT_TRUE(block->negated);
    EXPECT_EQ(SqlRewriter::rewrite(block->condition),
              "select 1 from sys_columns where object_id=pg_temp.object_id('t_p_orderattach')");
    const std::vector<std::string> body = BatchSplitter::split(block->body);
    ASSERT_EQ(body.size(), 1u);
    // Whitespace runs of the original survive; compare with them collapsed.
    std::string created = SqlRewriter::rewrite(body[0]), collapsed;
    for (char ch : created)
        if (!(std::isspace(static_cast<unsigned char>(ch)) &&
              (collapsed.empty() || collapsed.back() == ' ')))
            collapsed += std::isspace(static_cast<unsigned char>(ch)) ? ' ' : ch;
    EXPECT_EQ(
        collapsed,
        "create table t_p_orderattach( id int generated by default as identity (start with 1 "
        "increment by 1) not null, billid int not null, itemno int not null, billtypeid int not "
        "null, constraint pk_t_p_orderattach primary key ( id ) ) ");
}

TEST(BatchSplitter, KeepsSemicolonsInsideLiteralsNamesCommentsAndBlocks) {
    const std::string batch =
        "select ';' as a; select [x;y] from t -- ; not here\n;"
        "if exists(select 1) begin select case when 1=1 then 1 end; select 2; end "
        "select 3";
    const std::vector<std::string> expected = {
        "select ';' as a", "select [x;y] from t -- ; not here",
        "if exists(select 1) begin select case when 1=1 then 1 end; select 2; end", "select 3"};
    EXPECT_EQ(BatchSplitter::split(batch), expected);
}

TEST(BatchSplitter, LineBreaksSeparateStatementsAsInTsql) {
    struct Case {
        std::string batch;
        std::vector<std::string> statements;
    };
    const Case cases[] = {
        {"select 1\nselect 2", {"select 1", "select 2"}},
        {"insert into t\nselect * from s", {"insert into t\nselect * from s"}},
        {"update t\nset a = 1\nselect @@rowcount", {"update t\nset a = 1", "select @@rowcount"}},
        {"select 1\nunion all\nselect 2", {"select 1\nunion all\nselect 2"}},
        {"select a,\n  b\nfrom t\nwhere x in\n(select 1)",
         {"select a,\n  b\nfrom t\nwhere x in\n(select 1)"}},
        {"if exists(select 1)\n  drop table t\nselect 3",
         {"if exists(select 1)\n  drop table t", "select 3"}},
        {"-- params: x\n-- more\n  select 1", {"-- params: x\n-- more\n  select 1"}},
        {"begin tran\ninsert into t values (1)\ncommit",
         {"begin tran", "insert into t values (1)", "commit"}},
        {"declare @x int\nset @x = 1", {"declare @x int", "set @x = 1"}},
        {"with c as (select 1 as a)\nselect a from c\nselect 2",
         {"with c as (select 1 as a)\nselect a from c", "select 2"}},
        {"select 'a\nselect b' as v\nselect 2", {"select 'a\nselect b' as v", "select 2"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.batch);
        EXPECT_EQ(BatchSplitter::split(c.batch), c.statements);
    }
}

TEST(BatchSplitter, RecognisesOnlyIfExistsBlocks) {
    EXPECT_FALSE(BatchSplitter::parseIfExists("select 1").has_value());
    EXPECT_FALSE(BatchSplitter::parseIfExists("if exists(select 1").has_value());
    const auto plain = BatchSplitter::parseIfExists("IF EXISTS (select 1 from t) drop table t");
    ASSERT_TRUE(plain.has_value());
    EXPECT_FALSE(plain->negated);
    EXPECT_EQ(plain->condition, "select 1 from t");
    EXPECT_EQ(plain->body, "drop table t");
}

}  // namespace
