// The per-table flow against real servers: batches, empty and absent sources,
// source and display names, the skip list, a rejected flush and resuming.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>

#include "TableImportFixture.h"
#include "core/Settings.h"
#include "db/DbError.h"
#include "engine/TableImport.h"

namespace importtest {
namespace {

class TableImportTest : public ImportFixture {
protected:
    void importAll(const std::vector<std::string>& tables, const engine::ResumeState& resume = {}) {
        ctx.TargetTableList = tables;
        engine::ImportTables(ctx, resume);
    }
};

TEST_F(TableImportTest, FlushesAThousandRowsOrTenBinaryRowsAtATime) {
    onSource(
        "create table a_plain (id int, name varchar(40), amount numeric(12,2), made datetime);"
        "insert into a_plain select g, '商品' || g, g * 1.25, '2024-01-05 09:05:03' from "
        "generate_series(1, 2500) g;"
        "create table b_attach (id int, data image);"
        "insert into b_attach select g, decode(repeat('ab', 2000), 'hex') from generate_series(1, "
        "25) g;"
        "create table c_after (id int, name varchar(10));"
        "insert into c_after select g, 'x' from generate_series(1, 1500) g;");
    onTarget(
        "create table a_plain (id serial primary key, name varchar(40), amount numeric(12,2), made "
        "timestamp);"
        "create table b_attach (id int primary key, data bytea);"
        "create table c_after (id int primary key, name varchar(10));");

    importAll({"a_plain", "b_attach", "c_after"});

    EXPECT_EQ(flushSizes("a_plain", "id"), (std::vector<int>{1000, 1000, 500}));
    EXPECT_EQ(flushSizes("b_attach", "id"), (std::vector<int>{10, 10, 5}));
    EXPECT_EQ(flushSizes("c_after", "id"), (std::vector<int>{1000, 500}));
    EXPECT_EQ(targetValue("select count(*) from b_attach where length(data) = 2000"), "25");
    EXPECT_EQ(targetRows("select name, amount, made from a_plain where id = 2500"),
              (std::vector<std::vector<std::string>>{{"商品2500", "3125", "2024-01-05 09:05:03"}}));

    // One line per table that counts up and becomes the success line.
    EXPECT_EQ(host.lines(),
              (std::vector<std::string>{
                  "", "开始导入表[ a_plain ]的数据。", "成功导入表 [ a_plain ] 2500条数据。", "",
                  "开始导入表[ b_attach ]的数据。", "成功导入表 [ b_attach ] 25条数据。", "",
                  "开始导入表[ c_after ]的数据。", "成功导入表 [ c_after ] 1500条数据。"}));
    EXPECT_EQ(host.replacements(), 2500 + 25 + 1500 + 3);
    EXPECT_EQ(host.lastProgress(), "正在导入表[ c_after ]的数据(1500/1500)。");
    EXPECT_EQ(host.eventCalls(), 3);
    // The serial column continues after the copied keys; the last table is recorded.
    EXPECT_EQ(targetValue("select nextval('a_plain_id_seq')"), "2501");
    EXPECT_EQ(recordedTable(), "c_after");
}

class MissingSourceTest : public ImportFixture, public testing::WithParamInterface<bool> {};

TEST_P(MissingSourceTest, EmptyOrAbsentSourceKeepsTheTargetRows) {
    ctx.DevMode = GetParam();
    onSource("create table k_empty (id int, name varchar(10));");
    onTarget(
        "create table k_empty (id int, name varchar(10)); insert into k_empty values (1, 'seed');"
        "create table k_absent (id int, name varchar(10)); insert into k_absent values (2, "
        "'seed');");
    ctx.TargetTableList = {"k_absent", "k_empty"};
    engine::ImportTables(ctx, {});

    EXPECT_EQ(targetValue("select name from k_empty where id = 1"), "seed");
    EXPECT_EQ(targetValue("select name from k_absent where id = 2"), "seed");
    std::vector<std::string> expected{"", "开始导入表[ k_absent ]的数据。"};
    if (ctx.DevMode) expected.push_back("表[ k_absent ]不存在。");
    expected.insert(expected.end(),
                    {"", "开始导入表[ k_empty ]的数据。", "表[ k_empty ]中无数据。"});
    EXPECT_EQ(host.lines(), expected);
    EXPECT_EQ(host.replacements(), 0);
    EXPECT_EQ(host.eventCalls(), 0);
}

INSTANTIATE_TEST_SUITE_P(DevMode, MissingSourceTest, testing::Bool());

TEST_F(TableImportTest, NamesTheSourceAndDisplayTables) {
    ctx.DevMode = true;
    onSource(
        "create table stock (billid int, memo varchar(20)); insert into stock values (1, 'a'), (2, "
        "'b');"
        "create table sat_x (id int); insert into sat_x values (7);"
        "create table o_resumejob (id int, begdate datetime, companyname varchar(20), positionname "
        "varchar(20));"
        "insert into o_resumejob values (1, '2020-03-01', '公司', '会计');");
    onTarget(
        "create table t_stock (billid int, memo varchar(20));"
        "create table sat_x (id int);"
        "create table o_resume_job (id int, begindate timestamp, company varchar(20), position "
        "varchar(20));");

    importAll({"o_resume_job", "sat_x", "t_stock"});

    EXPECT_EQ(targetRows("select billid, memo from t_stock order by billid"),
              (std::vector<std::vector<std::string>>{{"1", "a"}, {"2", "b"}}));
    EXPECT_EQ(targetValue("select id from sat_x"), "7");
    EXPECT_EQ(targetRows("select begindate, company, position from o_resume_job"),
              (std::vector<std::vector<std::string>>{{"2020-03-01 00:00:00", "公司", "会计"}}));
    EXPECT_TRUE(host.hasLine("开始导入表[ stock ]的数据。"));
    EXPECT_TRUE(host.hasLine("成功导入表 [ stock ] 2条数据。"));
    EXPECT_TRUE(host.hasLine("成功导入表 [ sat_x ] 1条数据。"));
    EXPECT_TRUE(host.hasLine("开始导入表[ o_resume_job ]的数据。"));
    // The renamed columns are absent in the source under their new names.
    EXPECT_TRUE(host.hasLine("在源数据库中未找到表[ o_resumejob ]的字段[ begindate ]。"));
}

TEST_F(TableImportTest, SkipListMatchesWholeLinesIgnoringCase) {
    onSource(
        "create table m_one (id int); insert into m_one values (1);"
        "create table m_two (id int); insert into m_two values (2);"
        "create table m_three (id int); insert into m_three values (3);");
    onTarget(
        "create table m_one (id int); create table m_two (id int); create table m_three (id int);"
        "create function m_noop() returns trigger language plpgsql as $$ begin return new; end $$;"
        "create trigger m_one_t before insert on m_one for each row execute function m_noop();"
        "alter table m_one disable trigger all;");
    ctx.LoadTableList = {"M_ONE", "m_two ", "x", "m_three"};

    importAll({"m_one", "m_three", "m_two"});

    EXPECT_EQ(targetValue("select count(*) from m_one"), "0");
    EXPECT_EQ(targetValue("select count(*) from m_three"), "0");
    EXPECT_EQ(targetValue("select id from m_two"), "2");
    EXPECT_EQ(host.appended()[0], "\r\n跳过表[ m_one ]。");
    EXPECT_EQ(host.appended()[1], "\r\n跳过表[ m_three ]。");
    // Closing actions run for skipped tables too.
    EXPECT_TRUE(triggersEnabled("m_one"));
    EXPECT_EQ(recordedTable(), "m_two");
}

TEST_F(TableImportTest, RejectedFlushKeepsEarlierBatchesAndEndsTheImport) {
    onSource(
        "create table r_fail (id int, v int); insert into r_fail select g, g from "
        "generate_series(1, 2500) g;"
        "create table r_next (id int); insert into r_next values (1);");
    onTarget(
        "create table r_fail (id int primary key, v int check (v <> 1500));"
        "create function r_noop() returns trigger language plpgsql as $$ begin return new; end $$;"
        "create trigger r_fail_t before insert on r_fail for each row execute function r_noop();"
        "create table r_next (id int); insert into r_next values (99);");

    ctx.TargetTableList = {"r_fail", "r_next"};
    EXPECT_THROW(engine::ImportTables(ctx, {}), db::DbError);

    EXPECT_EQ(targetValue("select count(*) from r_fail"), "1000");
    EXPECT_EQ(targetValue("select max(id) from r_fail"), "1000");
    EXPECT_TRUE(triggersEnabled("r_fail"));
    EXPECT_EQ(recordedTable(), "r_fail");
    EXPECT_EQ(targetValue("select id from r_next"), "99");
    EXPECT_FALSE(host.hasLine("开始导入表[ r_next ]的数据。"));

    // A resumed import starts again with that table and copies it in full.
    onTarget("alter table r_fail drop constraint r_fail_v_check;");
    host.log.clear();
    engine::ImportTables(ctx, {true, "11", recordedTable()});
    EXPECT_EQ(targetValue("select count(*) from r_fail"), "2500");
    EXPECT_EQ(targetValue("select id from r_next"), "1");
}

TEST_F(TableImportTest, ResumePassesOverExactlyTheTablesBeforeTheStoredOne) {
    const std::vector<std::string> tables{"q_a", "q_b", "q_c"};
    for (const std::string& t : tables) {
        onSource("create table " + t + " (id int); insert into " + t + " values (1);");
        onTarget("create table " + t + " (id int);");
    }
    struct Case {
        engine::ResumeState resume;
        std::vector<std::string> copied;
    } cases[] = {
        {{true, "11", "q_b"}, {"q_b", "q_c"}},
        {{true, "11", "Q_B"}, {"q_b", "q_c"}},  // hand-edited case: the list's order decides
        {{true, "11", "q_bb"}, {"q_c"}},        // a stored table no longer in the list
        {{true, "11", ""}, {"q_a", "q_b", "q_c"}},
        {{false, "11", "q_b"}, {"q_a", "q_b", "q_c"}},
        {{true, "1", "q_b"}, {"q_a", "q_b", "q_c"}},
        {{true, "12", "q_b"}, {"q_a", "q_b", "q_c"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.resume.step + "/" + c.resume.table + (c.resume.resume ? " resume" : ""));
        for (const std::string& t : tables)
            onTarget("delete from " + t + "; insert into " + t + " values (0);");
        host.log.clear();
        importAll(tables, c.resume);
        std::vector<std::string> copied;
        for (const std::string& t : tables) {
            if (targetValue("select id from " + t) == "1") copied.push_back(t);
        }
        EXPECT_EQ(copied, c.copied);
        // Passed-over tables leave no line at all.
        EXPECT_EQ(host.lines().size(), 3 * c.copied.size());
    }
}

}  // namespace
}  // namespace importtest
