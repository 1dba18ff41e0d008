#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <set>

#include "engine/MigrationSteps.h"
#include "engine/TCopyDataThread.h"
#include "support/RunEnvironment.h"
#include "support/TdsTestServer.h"

namespace {

using Lines = std::vector<std::string>;

const std::string kImportBegin = "开始导入表数据。";
const std::string kImportEnd = "表数据导入完成。";
const std::string kContacts = "修复联系人相关数据完成。";
const std::string kSettings = "修复帐套设置完成。";
const std::string kMaster = "修复资料数据完成。";
const std::string kDuties = "修复员工职务数据完成。";
const std::string kAssets = "修复固定资产初始化数据完成。";
const std::string kWage = "修复工资项目及类别数据完成。";
const std::string kFinance = "修复财务初始化数据完成。";
const std::string kTree = "修复树型结构资料数据完成。";
const std::string kApproval = "正在修复审批数据。";
const std::string kFinal = "正在做最后的数据修复。";

const Lines kAllLines = {kImportBegin, kImportEnd, kContacts, kSettings, kMaster,   kDuties,
                         kAssets,      kWage,      kFinance,  kTree,     kApproval, kFinal};

// The step lines of the log, in order, without the import's per-table lines.
Lines stepLines(const Lines& log) {
    Lines out;
    for (const auto& line : log) {
        if (std::find(kAllLines.begin(), kAllLines.end(), line) != kAllLines.end())
            out.push_back(line);
    }
    return out;
}

Lines linesFrom(const std::string& first, bool withApproval = true) {
    auto it = std::find(kAllLines.begin(), kAllLines.end(), first);
    Lines out(it, kAllLines.end());
    if (!withApproval) out.erase(std::remove(out.begin(), out.end(), kApproval), out.end());
    return out;
}

bool beganTable(const Lines& log, const std::string& table) {
    return std::find(log.begin(), log.end(), "开始导入表[ " + table + " ]的数据。") != log.end();
}

class MigrationStepsTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { server_ = std::make_unique<support::TdsTestServer>(); }
    static void TearDownTestSuite() { server_.reset(); }
    static std::unique_ptr<support::TdsTestServer> server_;
};
std::unique_ptr<support::TdsTestServer> MigrationStepsTest::server_;

struct StepCase {
    const char* name;
    const char* storedStep;
    const char* storedTable;
    bool resume;
    bool approval;      // the approval condition holds
    bool emptyScripts;  // updateapproved.sql and updateend.sql are empty
    Lines writes;       // step codes written, in order
    Lines lines;        // step lines of the log
    int importSkips;    // -1: no import; 0: every table imported; 1: tables before the stored one
                        // skipped
};

TEST_F(MigrationStepsTest, GuardsAndRecordsFollowTheStoredStep) {
    const Lines all = {"11", "12", "13", "14", "15", "19", "20", "21", "22", "97", "98"};
    const Lines noApproval = {"11", "12", "13", "14", "15", "19", "20", "21", "22", "98"};
    const StepCase cases[] = {
        {"fresh run over a stored 15", "15", "", false, true, false, all, kAllLines, 0},
        {"fresh run, approval condition false", "00", "", false, false, false, noApproval,
         linesFrom(kImportBegin, false), 0},
        {"resume at 11 with a table", "11", "l_goods", true, true, false, all, kAllLines, 1},
        {"resume at 12", "12", "", true, true, false, Lines(all.begin() + 1, all.end()),
         linesFrom(kContacts), -1},
        {"resume at 14 runs both halves", "14", "", true, true, false,
         Lines(all.begin() + 3, all.end()), linesFrom(kSettings), -1},
        {"resume at unused 16", "16", "", true, true, false, Lines(all.begin() + 5, all.end()),
         linesFrom(kAssets), -1},
        {"resume at 97, approval false", "97", "", true, false, false, {"98"}, {kFinal}, -1},
        {"resume at 98", "98", "", true, true, false, {"98"}, {kFinal}, -1},
        {"stored 1 is below 11: no table skipping", "1", "l_goods", true, true, false, all,
         kAllLines, 0},
        {"stored 100 is below 11: no table skipping", "100", "l_goods", true, true, false, all,
         kAllLines, 0},
        {"stored 2 lies between 19 and 20", "2", "", true, true, false,
         Lines(all.begin() + 6, all.end()), linesFrom(kWage), -1},
        {"empty final scripts record and log nothing",
         "97",
         "",
         true,
         true,
         true,
         {"97", "98"},
         {},
         -1},
    };
    for (const StepCase& c : cases) {
        SCOPED_TRACE(c.name);
        enginetest::RunEnvironment env("steps", 3, *server_);
        if (!c.approval)
            env.source.exec(
                "update am_sysparam set datavalue = '1' where name = 'erpandoapapproval'");
        if (c.emptyScripts) {
            env.home.write("sql/updateapproved.sql", "");
            env.home.write("sql/updateend.sql", "");
        }
        env.storeResume(c.storedStep, c.storedTable);
        env.ctx.TargetTableList = {"af_attach", "l_goods", "l_trader"};
        env.host.log.append("left from the driver");

        engine::RunMigrationSteps(env.ctx, c.storedStep, c.storedTable, c.resume);

        Lines log = env.host.log.lines();
        EXPECT_EQ(env.stepWrites(), c.writes);
        EXPECT_EQ(stepLines(log), c.lines);
        EXPECT_EQ(std::find(log.begin(), log.end(), "left from the driver"),
                  log.end());  // cleared first
        // Every step but the import empties the stored table when it begins.
        for (size_t i = 0; i + 1 < env.resumeWrites.size(); ++i) {
            const auto& [key, value] = env.resumeWrites[i];
            if (key == "HistoryStep" && value != "11") {
                EXPECT_EQ(env.resumeWrites[i + 1],
                          std::make_pair(std::string("HistoryTabName"), std::string()))
                    << "after step " << value;
            }
        }
        if (c.importSkips >= 0) {
            EXPECT_EQ(beganTable(log, "af_attach"), c.importSkips == 0);
            EXPECT_TRUE(beganTable(log, "l_goods"));
            EXPECT_TRUE(beganTable(log, "l_trader"));
        }
        if (c.writes.empty() || c.writes.back() != "98") continue;
        EXPECT_EQ(env.settings().historyStep(env.section()), "98");
        EXPECT_EQ(env.settings().historyTableName(env.section()), "");
    }
}

TEST_F(MigrationStepsTest, ResumeAtTwelveStartsWithTheContactsLine) {
    enginetest::RunEnvironment env("steps12", 0, *server_);
    engine::RunMigrationSteps(env.ctx, "12", "", true);
    Lines log = env.host.log.lines();
    ASSERT_GE(log.size(), 2u);
    EXPECT_EQ(log[0], "");
    EXPECT_EQ(log[1], kContacts);
}

TEST_F(MigrationStepsTest, MissingScriptFailsItsStepAfterRecordingIt) {
    enginetest::RunEnvironment env("steps_missing", 0, *server_);
    std::remove(env.home.file("sql/updatetreedata.sql").c_str());
    EXPECT_THROW(engine::RunMigrationSteps(env.ctx, "20", "", true), std::exception);
    EXPECT_EQ(env.stepWrites(), (Lines{"20", "21", "22"}));
    EXPECT_EQ(env.settings().historyStep(env.section()), "22");
    EXPECT_EQ(stepLines(env.host.log.lines()), (Lines{kWage, kFinance}));
}

}  // namespace
