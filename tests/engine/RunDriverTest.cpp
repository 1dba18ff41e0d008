#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>

#include "core/Cp936.h"
#include "engine/TCopyDataThread.h"
#include "fixtures/PgRows.h"
#include "support/RunEnvironment.h"
#include "support/TdsTestServer.h"

namespace {

namespace fs = std::filesystem;
using Lines = std::vector<std::string>;

const char* const kQuestion = "提示: 检测到导入记录，是否继续上一次的导入作业？";

// The saved log files of a program directory, decoded.
std::vector<std::string> savedLogs(const fixtures::ProgramDirectory& home) {
    std::vector<std::string> logs;
    if (!fs::is_directory(home.file("log"))) return logs;
    for (const auto& entry : fs::directory_iterator(home.file("log"))) {
        std::ifstream in(entry.path(), std::ios::binary);
        std::ostringstream bytes;
        bytes << in.rdbuf();
        logs.push_back(core::fromCp936(bytes.str()));
    }
    return logs;
}

class RunDriverTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { server_ = std::make_unique<support::TdsTestServer>(); }
    static void TearDownTestSuite() { server_.reset(); }
    static std::unique_ptr<support::TdsTestServer> server_;

    std::string targetValue(const enginetest::RunEnvironment& env, const std::string& sql) {
        return fixtures::queryValue(env.target.connInfo(), sql);
    }
};
std::unique_ptr<support::TdsTestServer> RunDriverTest::server_;

TEST_F(RunDriverTest, CompletedRunStampsSavesAndResets) {
    enginetest::RunEnvironment env("driver_ok", 8, *server_);
    // 3002 and 3003 come over from the source; 100, 101 and 3025 keep the target's.
    env.source.exec("update am_sysparam set datavalue = 'O''Brien' where paramid = 3025");

    ASSERT_EQ(engine::TCopyDataThread(env.ctx).Execute(), engine::RunOutcome::Completed)
        << env.host.logText();

    EXPECT_TRUE(env.host.questions().empty());
    EXPECT_EQ(env.host.busyChanges(), (std::vector<bool>{true, false}));
    ASSERT_EQ(env.host.messages().size(), 1u);
    EXPECT_EQ(env.host.messages()[0].caption, "提示");
    EXPECT_EQ(env.host.messages()[0].text, "数据导入完成！");
    EXPECT_EQ(env.host.messages()[0].icon, core::MessageIcon::Warning);
    EXPECT_EQ(env.host.log.lastLine(), "数据导入完成。");

    EXPECT_EQ(fixtures::queryRows(
                  env.target.connInfo(),
                  "select name, coalesce(datavalue, '<null>'), content, memo from am_sysparam "
                  "where paramid = 9999"),
              Lines{"LirToOrbit||tool[10.11]oldacc[9-50-2019-3-O'Brien]newacc[10-11-2019-3-Orbit]|"
                    "升级完成"});
    EXPECT_EQ(targetValue(env, "select count(*) from pg_constraint where condeferrable"), "0");
    EXPECT_EQ(targetValue(env, "select col_description('aa_billflow'::regclass, 1)"), "key");
    EXPECT_EQ(env.settings().historyStep(env.section()), "00");
    EXPECT_EQ(env.settings().historyTableName(env.section()), "");
    EXPECT_EQ(env.ctx.TargetTableList.front(), "aa_billflow");
    EXPECT_TRUE(std::is_sorted(env.ctx.TargetTableList.begin(), env.ctx.TargetTableList.end()));

    auto logs = savedLogs(env.home);
    ASSERT_EQ(logs.size(), 1u);
    const std::string ending = "\r\n\r重启外键完成。\r\n";
    ASSERT_GE(logs[0].size(), ending.size());
    EXPECT_EQ(logs[0].substr(logs[0].size() - ending.size()), ending);
    EXPECT_EQ(logs[0].find("\r\n数据导入完成。"), std::string::npos);  // shown, not saved
    for (const auto& entry : fs::directory_iterator(env.home.file("log"))) {
        std::string name = entry.path().filename().string();
        EXPECT_EQ(name.rfind(env.source.name() + "To" + env.target.name() + "_", 0), 0u) << name;
        EXPECT_EQ(name.find_first_of(" :"), std::string::npos) << name;
    }
}

TEST_F(RunDriverTest, ErrorPathLogsSavesAndKeepsResumeState) {
    enginetest::RunEnvironment env("driver_err", 0, *server_);
    env.home.write("sql/updateend.sql", "update no_such_table set x = 1;");

    EXPECT_EQ(engine::TCopyDataThread(env.ctx).Execute(), engine::RunOutcome::Failed);

    ASSERT_EQ(env.host.messages().size(), 1u);
    EXPECT_EQ(env.host.messages()[0].text, "数据导入错误，请检查日志！");
    EXPECT_EQ(env.host.busyChanges(), (std::vector<bool>{true, false}));
    Lines log = env.host.log.lines();
    ASSERT_GE(log.size(), 2u);
    EXPECT_NE(log[log.size() - 2].find("no_such_table"), std::string::npos) << env.host.logText();
    EXPECT_EQ(log.back(), "");
    auto logs = savedLogs(env.home);
    ASSERT_EQ(logs.size(), 1u);
    EXPECT_NE(logs[0].find("no_such_table"), std::string::npos);
    EXPECT_EQ(env.settings().historyStep(env.section()), "98");
    EXPECT_EQ(targetValue(
                  env, "select coalesce(content, '<null>') from am_sysparam where paramid = 9999"),
              "<null>");
}

TEST_F(RunDriverTest, StoredStepAsksWhetherToResume) {
    struct Case {
        const char* name;
        const char* stored;
        bool asked;
        bool answer;
        const char* firstWrite;
    };
    const Case cases[] = {
        {"stored 98, Yes", "98", true, true, "98"},
        {"stored 98, No", "98", true, false, "11"},
        {"stored 00", "00", false, false, "11"},
        {"stored empty", "", false, false, "11"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        enginetest::RunEnvironment env("driver_resume", 0, *server_);
        env.storeResume(c.stored, "");
        env.host.answerNext(c.answer);
        ASSERT_EQ(engine::TCopyDataThread(env.ctx).Execute(), engine::RunOutcome::Completed)
            << env.host.logText();
        EXPECT_EQ(env.host.questions(), c.asked ? Lines{kQuestion} : Lines{});
        ASSERT_FALSE(env.stepWrites().empty());
        EXPECT_EQ(env.stepWrites().front(), c.firstWrite);
        EXPECT_EQ(env.settings().historyStep(env.section()), "00");
    }
}

TEST_F(RunDriverTest, UnsavableLogIsReportedAndResumeStateStillReset) {
    enginetest::RunEnvironment env("driver_nolog", 0, *server_);
    env.home.write("log", "a file where the log directory should be");

    EXPECT_EQ(engine::TCopyDataThread(env.ctx).Execute(), engine::RunOutcome::Completed);

    ASSERT_EQ(env.host.messages().size(), 1u);
    const std::string text = env.host.messages()[0].text;
    EXPECT_EQ(text.rfind("数据导入完成！\r\n", 0), 0u) << text;
    EXPECT_NE(text.find(env.home.file("log/")), std::string::npos) << text;
    EXPECT_NE(env.host.logText().find(env.home.file("log/")), std::string::npos);
    EXPECT_EQ(env.settings().historyStep(env.section()), "00");
}

}  // namespace
