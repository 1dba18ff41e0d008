// A run against real servers where it used to end "done" with data changed
// twice or not at all: repairs applied twice on resume, two runs on one target,
// resume records that cannot be right, script files in code page 936.
#include <gtest/gtest.h>

#include <memory>

#include "core/Cp936.h"
#include "engine/MigrationSteps.h"
#include "engine/TCopyDataThread.h"
#include "engine/TargetRunLock.h"
#include "fixtures/PgRows.h"
#include "support/RunEnvironment.h"
#include "support/TdsTestServer.h"

namespace {

class RunSafetyTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { server_ = std::make_unique<support::TdsTestServer>(); }
    static void TearDownTestSuite() { server_.reset(); }
    static std::unique_ptr<support::TdsTestServer> server_;

    static std::string value(const enginetest::RunEnvironment& env, const std::string& sql) {
        return fixtures::queryValue(env.target.connInfo(), sql);
    }
};
std::unique_ptr<support::TdsTestServer> RunSafetyTest::server_;

TEST_F(RunSafetyTest, ARepairTakesEffectOnceHoweverTheRunStops) {
    enginetest::RunEnvironment env("safety_once", 0, *server_);
    env.target.exec(
        "update am_sysparam set datavalue = '示例' where paramid = 206;"
        "update am_sysparam set datavalue = '示例商贸有限公司' where paramid = 207;"
        // The second half of step 14 fails: the first half must not stay applied.
        "alter table l_goods rename column vatspecialmanagement to vat_moved;");
    const std::string name = "select datavalue from am_sysparam where paramid = 207";

    EXPECT_THROW(engine::RunMigrationSteps(env.ctx, "14", "", true), std::exception);
    EXPECT_EQ(value(env, name), "示例商贸有限公司");
    EXPECT_EQ(env.settings().historyStep(env.section()), "14");

    env.target.exec("alter table l_goods rename column vat_moved to vatspecialmanagement;");
    engine::RunMigrationSteps(env.ctx, "14", "", true);
    EXPECT_EQ(value(env, name), "示例 示例商贸有限公司");

    // Stopped right after step 14 committed, before "15" was recorded: the resumed
    // run finds the step done and passes over it, logging its lines all the same.
    env.host.log.clear();
    engine::RunMigrationSteps(env.ctx, "14", "", true);
    EXPECT_EQ(value(env, name), "示例 示例商贸有限公司");
    const auto lines = env.host.log.lines();
    EXPECT_NE(std::find(lines.begin(), lines.end(), "修复帐套设置完成。"), lines.end());

    // A fresh run forgets what an earlier run did.
    engine::RunMigrationSteps(env.ctx, "14", "", false);
    EXPECT_EQ(value(env, name), "示例 示例 示例商贸有限公司");
}

TEST_F(RunSafetyTest, ASecondRunOnTheTargetIsRefusedAtOnce) {
    enginetest::RunEnvironment env("safety_lock", 0, *server_);
    db::TargetConnection first;
    first.open(env.target.connectionString());
    engine::TargetRunLock held(first);
    ASSERT_TRUE(held.held());

    EXPECT_EQ(engine::TCopyDataThread(env.ctx).Execute(), engine::RunOutcome::Failed);
    ASSERT_EQ(env.host.messages().size(), 1u);
    EXPECT_NE(env.host.messages()[0].text.find("另一个导入作业正在处理账套[ " + env.target.name()),
              std::string::npos)
        << env.host.messages()[0].text;
    EXPECT_TRUE(env.stepWrites().empty());
    EXPECT_EQ(value(env, "select count(*) from am_sysparam where paramid = 9999"), "0");
}

TEST_F(RunSafetyTest, AResumeRecordThatCannotBeRightIsRefused) {
    struct Case {
        const char* step;
        const char* table;
        const char* named;  // what the message names
    } cases[] = {
        {"16", "", "步骤[ 16 ]"},
        {"1", "", "步骤[ 1 ]"},
        {"11", "no_such_table", "表[ no_such_table ]"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.step);
        enginetest::RunEnvironment env("safety_record", 0, *server_);
        env.storeResume(c.step, c.table);
        env.host.answerNext(true);
        EXPECT_EQ(engine::TCopyDataThread(env.ctx).Execute(), engine::RunOutcome::Failed);
        EXPECT_NE(env.host.logText().find(c.named), std::string::npos) << env.host.logText();
        EXPECT_TRUE(env.stepWrites().empty());
        EXPECT_EQ(env.settings().historyStep(env.section()), c.step);
    }
}

TEST_F(RunSafetyTest, ScriptFilesMayBeInCodePage936) {
    enginetest::RunEnvironment env("safety_cp936", 0, *server_);
    env.target.exec("create table script_probe (v varchar(20));");
    const std::string insert = "insert into script_probe values ('职务');";
    struct Case {
        const char* name;
        std::string bytes;
    } cases[] = {
        {"code page 936", core::toCp936(insert)},
        {"UTF-8", insert},
        {"UTF-8 with a byte-order mark", "\xEF\xBB\xBF" + insert},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        env.target.exec("delete from script_probe;");
        env.home.write("sql/updatebegin.sql", c.bytes);
        engine::RunScriptFile(env.ctx, "sql/updatebegin.sql", false);
        EXPECT_EQ(value(env, "select v from script_probe"), "职务");
    }
}

}  // namespace
