#include <gtest/gtest.h>

#include <memory>

#include "ServerFixture.h"
#include "app/Connections.h"
#include "app/StartChecks.h"
#include "core/Cp936.h"
#include "fixtures/ProgramDirectory.h"
#include "support/ScriptedMessageBox.h"

namespace {

using support::ScriptedMessageBox;

// One source and one target account set for the whole suite; each case changes
// a few rows and puts them back.
class StartChecksTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        server_ = std::make_unique<support::TdsTestServer>();
        source_ = std::make_unique<fixtures::SourceAccountSet>("qxchecksrc", 0);
        target_ = std::make_unique<fixtures::TargetAccountSet>("qxchecktgt");
    }
    static void TearDownTestSuite() {
        target_.reset();
        source_.reset();
        server_.reset();
    }

    struct Checked {
        app::StartCheckOutcome outcome;
        std::vector<std::string> messages;
        std::string log;
        std::string configIni;
        app::StartCheckResult result;
    };

    Checked check() {
        fixtures::ProgramDirectory dir;
        ScriptedMessageBox messages{ScriptedMessageBox::Unscripted::No};
        app::Connections connections(dir.path(), messages);
        connections.loadFields();
        connections.source() = apptest::sourceFields(*server_, source_->name());
        connections.target() = apptest::targetFields(target_->name());
        Checked c;
        c.result = app::runStartChecks(connections, "10.11",
                                       [&](const std::string& text) { c.log += text; });
        c.outcome = c.result.outcome;
        c.messages = messages.texts();
        try {
            c.configIni = core::fromCp936(dir.read("config.ini"));
        } catch (const std::exception&) {
        }
        return c;
    }

    static std::unique_ptr<support::TdsTestServer> server_;
    static std::unique_ptr<fixtures::SourceAccountSet> source_;
    static std::unique_ptr<fixtures::TargetAccountSet> target_;
};

std::unique_ptr<support::TdsTestServer> StartChecksTest::server_;
std::unique_ptr<fixtures::SourceAccountSet> StartChecksTest::source_;
std::unique_ptr<fixtures::TargetAccountSet> StartChecksTest::target_;

const std::string kVersionMessage =
    "当前升级工具为10.11版本,与目标账套的版本不一致！\r\n请更换目标账套或升级工具。";

TEST_F(StartChecksTest, TargetVersionMustBeTheToolVersion) {
    struct Case {
        const char* name;
        const char* rows;  // parameters 100 and 101 of the target
        bool passes;
    } cases[] = {
        {"10 and 11", "(100,'MajorVersion','10'),(101,'MinorVersion','11')", true},
        {"10 and 12", "(100,'MajorVersion','10'),(101,'MinorVersion','12')", false},
        {"only 10", "(100,'MajorVersion','10')", false},
        {"neither", "(99,'Other','10.11')", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        target_->exec(std::string("delete from am_sysparam where paramid in (99,100,101);"
                                  "insert into am_sysparam(paramid,name,datavalue) values ") +
                      c.rows);
        Checked r = check();
        if (c.passes) {
            EXPECT_EQ(r.outcome, app::StartCheckOutcome::Passed);
            EXPECT_TRUE(r.messages.empty());
            EXPECT_EQ(r.result.sourcePeriods.at("curraccmonth"), 7);
            EXPECT_EQ(r.result.targetPeriods.at("startyear"), 2024);
            EXPECT_EQ(r.result.targetPeriods.size(), 6u);
        } else {
            EXPECT_EQ(r.outcome, app::StartCheckOutcome::Refused);
            EXPECT_EQ(r.messages, std::vector<std::string>{kVersionMessage});
        }
        // Both sides connected before the refusal, so both are saved.
        EXPECT_NE(r.configIni.find("SQLPort=" + std::to_string(server_->port())), std::string::npos)
            << r.configIni;
        EXPECT_NE(r.configIni.find("SQLUser=" + apptest::conninfoValue("user", "postgres")),
                  std::string::npos);
        EXPECT_EQ(r.configIni.find("SQLPW"), std::string::npos) << "no password outside dev mode";
    }
    target_->exec(
        "delete from am_sysparam where paramid in (99,100,101);"
        "insert into am_sysparam(paramid,name,datavalue) values "
        "(100,'MajorVersion','10'),(101,'MinorVersion','11')");
}

TEST_F(StartChecksTest, SourceAccountingSystemAndDepartments) {
    const std::string kAccounting =
        "只有2006企业会计准则、2013小企业会计准则、非营利组织、政府会计制度\r\n"
        "四种会计制度才能迁移至Orbit系列财务！";
    const std::string kDepartments = "源账套存在同一分支下相同的部门名称，请先调整后再次导入！";
    struct Case {
        const char* name;
        const char* accSystem;
        const char* departments;  // rows of l_department(departmentid, shopid, name)
        std::string message;      // empty: passes
    } cases[] = {
        {"system 13", "13", "", ""},
        {"system 14", "14", "", kAccounting},
        {"system 19", "19", "", ""},
        {"no branch equals branch 0", "13", "(1,null,'销售部'),(2,0,'销售部')", kDepartments},
        {"same name in two branches", "13", "(1,1,'销售部'),(2,2,'销售部')", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        source_->exec(std::string("update am_sysparam set datavalue='") + c.accSystem +
                      "' where paramid=201; delete from l_department;");
        if (*c.departments) {
            source_->exec(
                std::string("insert into l_department(departmentid,shopid,name) values ") +
                c.departments);
        }
        Checked r = check();
        if (c.message.empty()) {
            EXPECT_EQ(r.outcome, app::StartCheckOutcome::Passed);
            EXPECT_TRUE(r.messages.empty()) << r.messages.front();
        } else {
            EXPECT_EQ(r.outcome, app::StartCheckOutcome::Refused);
            EXPECT_EQ(r.messages, std::vector<std::string>{c.message});
        }
    }
    source_->exec(
        "update am_sysparam set datavalue='13' where paramid=201; delete from l_department;");
}

TEST_F(StartChecksTest, AFailingStatementGoesToTheRunLog) {
    struct Case {
        const char* name;
        const char* breakIt;
        const char* repair;
        const char* inLog;  // the server's own words
    } cases[] = {
        {"no am_sysparam on the source", "alter table am_sysparam rename to am_sysparam_gone",
         "alter table am_sysparam_gone rename to am_sysparam", "am_sysparam"},
        {"a period value that is no integer",
         "update am_sysparam set datavalue='三月' where paramid=302",
         "update am_sysparam set datavalue='3' where paramid=302", "三月"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        source_->exec(c.breakIt);
        Checked r = check();
        source_->exec(c.repair);
        EXPECT_EQ(r.outcome, app::StartCheckOutcome::Failed);
        EXPECT_EQ(r.messages, std::vector<std::string>{"数据导入错误，请检查日志！"});
        ASSERT_GT(r.log.size(), 2u);
        EXPECT_EQ(r.log.substr(r.log.size() - 2), "\r\n");
        EXPECT_NE(r.log.find(c.inLog), std::string::npos) << r.log;
    }
}

}  // namespace
