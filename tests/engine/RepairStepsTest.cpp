#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <set>

#include "engine/RepairSteps.h"
#include "fixtures/PgRows.h"
#include "support/RunEnvironment.h"
#include "support/TargetOnly.h"
#include "support/TdsTestServer.h"

namespace {

using enginetest::TargetOnly;
using fixtures::queryRows;

std::string param(const TargetOnly& t, int id) {
    return t.value("select datavalue from am_sysparam where paramid = " + std::to_string(id));
}

std::string literal(const std::optional<std::string>& v) { return v ? "'" + *v + "'" : "null"; }

class RepairStepsTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { server_ = std::make_unique<support::TdsTestServer>(); }
    static void TearDownTestSuite() { server_.reset(); }
    static std::unique_ptr<support::TdsTestServer> server_;
};
std::unique_ptr<support::TdsTestServer> RepairStepsTest::server_;

TEST_F(RepairStepsTest, ContactsDependOnTheSourcesPositionTable) {
    struct Case {
        const char* name;
        const char* sourcePrep;
        bool contactsCleared;
    };
    const Case cases[] = {
        {"o_position present", "", true},
        {"O_Position in other letter case", "alter table o_position rename to \"O_Position\";",
         true},
        {"no position table", "drop table o_position;", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        enginetest::RunEnvironment env("repair_contacts", 0, *server_);
        if (*c.sourcePrep) env.source.exec(c.sourcePrep);
        env.target.exec(
            "insert into b_expense (billid, linkmanid, linkman) values (1, 5, '张三');"
            "insert into crm_consignment (id, linkmanid, linkman) values (1, 6, '李四');"
            "insert into l_trader (traderid, name, opid) values (1, '甲', null), (2, '乙', 7);");
        engine::RepairContacts(env.ctx);
        auto info = env.target.connInfo();
        if (c.contactsCleared) {
            EXPECT_EQ(queryRows(info, "select linkmanid, linkman from b_expense"),
                      std::vector<std::string>{"<null>|<null>"});
            EXPECT_EQ(queryRows(info, "select linkmanid, linkman from crm_consignment"),
                      std::vector<std::string>{"<null>|<null>"});
            EXPECT_EQ(queryRows(info, "select opid from l_trader order by traderid"),
                      (std::vector<std::string>{"0", "7"}));
            EXPECT_EQ(
                queryRows(info, "select datavalue from am_sysparam where paramid in (330, 331)"),
                (std::vector<std::string>{"1", "1"}));
        } else {
            EXPECT_EQ(queryRows(info, "select linkmanid, linkman from b_expense"),
                      std::vector<std::string>{"5|张三"});
            EXPECT_EQ(queryRows(info, "select opid from l_trader order by traderid"),
                      (std::vector<std::string>{"<null>", "7"}));
            EXPECT_EQ(
                queryRows(info, "select datavalue from am_sysparam where paramid in (330, 331)"),
                (std::vector<std::string>{"0", "0"}));
        }
    }
}

TEST(RepairAccountSettingsTest, MonthsArePaddedAndNullStays) {
    struct Month {
        int paramid;  // 302 StartMonth, 304 PosMonth, 306 CurrAccMonth
        std::optional<std::string> before;
        std::string after;
    };
    // Each run sets the three month parameters to different cases.
    const std::vector<std::vector<Month>> runs = {
        {{302, "3", "03"}, {304, "", "00"}, {306, std::nullopt, "<null>"}},
        {{302, std::nullopt, "<null>"}, {304, "12", "12"}, {306, "7", "07"}},
    };
    for (const auto& months : runs) {
        TargetOnly t("repair_months");
        for (const Month& m : months) {
            t.target.exec("update am_sysparam set datavalue = " + literal(m.before) +
                          " where paramid = " + std::to_string(m.paramid));
        }
        engine::RepairAccountSettings(t.ctx);
        for (const Month& m : months) {
            SCOPED_TRACE(std::to_string(m.paramid) + " " + literal(m.before));
            EXPECT_EQ(param(t, m.paramid), m.after);
        }
    }
}

TEST(RepairAccountSettingsTest, CompanyNameTakesTheShortNameInFront) {
    struct Case {
        std::optional<std::string> p206, p207;
        std::string expected;
    };
    const Case cases[] = {{std::nullopt, "B", "B"},
                          {std::nullopt, std::nullopt, ""},
                          {"A", "B", "A B"},
                          {"A", std::nullopt, "A "}};
    for (const Case& c : cases) {
        SCOPED_TRACE(literal(c.p206) + " " + literal(c.p207));
        TargetOnly t("repair_207");
        t.target.exec(
            "update am_sysparam set datavalue = " + literal(c.p206) + " where paramid = 206;" +
            "update am_sysparam set datavalue = " + literal(c.p207) + " where paramid = 207;");
        engine::RepairAccountSettings(t.ctx);
        EXPECT_EQ(param(t, 207), c.expected);
    }
}

TEST(RepairAccountSettingsTest, ConditionalParametersAndSwitches) {
    struct Case {
        const char* p2002;
        const char* p450;
        const char* expected2003;
        const char* expected451;
    };
    // 3001 holds '2024-01-01 00:00:00' and 3004 '0' in the template.
    const Case cases[] = {{"1", "1", "2024-01-01 00:00:00", "2024-01"},
                          {"0", "0", "", ""},
                          {"2", "1", "", "2024-01"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.p2002) + "/" + c.p450);
        TargetOnly t("repair_cond");
        t.target.exec(std::string("update am_sysparam set datavalue = '") + c.p2002 +
                      "' where paramid = 2002;" + "update am_sysparam set datavalue = '" + c.p450 +
                      "' where paramid = 450;");
        engine::RepairAccountSettings(t.ctx);
        EXPECT_EQ(param(t, 2003), c.expected2003);
        EXPECT_EQ(param(t, 451), c.expected451);
        EXPECT_EQ(param(t, 2002), "0");  // from 3004, after 2003 tested the old value
        EXPECT_EQ(param(t, 320), "0");   // MultiCheck
        EXPECT_EQ(param(t, 4009), "1");
        EXPECT_EQ(param(t, 5011), "1");
        EXPECT_EQ(param(t, 4500), "0");  // not in the list
    }
}

TEST(RepairMasterDataTest, GoodsFlags) {
    TargetOnly t("repair_goods");
    t.target.exec(
        "insert into l_goods (goodsid, code, name, costtype, isbatch, vatspecialmanagement) values "
        "(1, 'a', 'a', 2, 0, null), (2, 'b', 'b', 1, 0, ''), (3, 'c', 'c', 0, 0, '1');");
    engine::RepairMasterData(t.ctx);
    EXPECT_EQ(queryRows(t.target.connInfo(),
                        "select goodsid, isbatch, vatspecialmanagement from l_goods order by 1"),
              (std::vector<std::string>{"1|1|0", "2|0|0", "3|0|1"}));
}

TEST(RepairEmployeeDutiesTest, NewDutiesBecomeKindsFromMaxPlusOne) {
    struct Case {
        const char* name;
        const char* prep;
        std::set<std::string> newIds;  // ids of 经理 and a'b; empty: no new kinds
        const char* accountant;        // duty of the employee with 会计 afterwards
        const char* maxKey;
        const char* quotedId;  // id of a'b: new duties are numbered by name
    };
    const Case cases[] = {
        {"max 500, two new duties, one present",
         "insert into am_kind (id, issys, name, kind) values (500, 0, 'x', 5), (7, 0, '会计', "
         "122);",
         {"501", "502"},
         "7",
         "502",
         "501"},
        {"empty am_kind starts at 1", "delete from am_kind;", {"1", "2", "3"}, nullptr, "3", "1"},
        // Nothing new to add: the names still become ids and the key counter
        // follows the largest id.
        {"all duties present",
         "insert into am_kind (id, issys, name, kind) values (9001, 0, '经理', 122),"
         " (9002, 0, 'a''b', 122), (9003, 0, '会计', 122);",
         {},
         "9003",
         nullptr,
         "9002"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TargetOnly t("repair_duties");
        t.target.exec(
            std::string(c.prep) +
            "insert into l_employ (empid, name, duty) values (1, 'e1', '经理'), (2, 'e2', 'a''b'),"
            " (3, 'e3', '经理'), (4, 'e4', '  '), (5, 'e5', ''), (6, 'e6', null), (7, 'e7', "
            "'会计');");
        engine::RepairEmployeeDuties(t.ctx);
        auto info = t.target.connInfo();
        auto duty = [&](int empid) {
            return t.value("select coalesce(duty, '<null>') from l_employ where empid = " +
                           std::to_string(empid));
        };
        auto kindId = [&](const std::string& quotedName) {
            return t.value("select id from am_kind where kind = 122 and name = '" + quotedName +
                           "'");
        };
        for (int blank : {4, 5, 6, 99999999}) EXPECT_EQ(duty(blank), "<null>") << blank;
        EXPECT_EQ(kindId("a''b"), c.quotedId);
        if (c.newIds.empty()) {
            EXPECT_EQ(duty(1), "9001");
            EXPECT_EQ(duty(2), "9002");
            EXPECT_EQ(duty(7), "9003");
        } else {
            std::string manager = kindId("经理"), quoted = kindId("a''b");
            std::string accountant = c.accountant ? c.accountant : kindId("会计");
            std::set<std::string> made{manager, quoted};
            if (!c.accountant) made.insert(accountant);
            EXPECT_EQ(made, c.newIds);  // the new ids in the server's order of the duties
            EXPECT_EQ(duty(1), manager);
            EXPECT_EQ(duty(3), manager);
            EXPECT_EQ(duty(2), quoted);
            EXPECT_EQ(duty(7), accountant);
            EXPECT_EQ(queryRows(info,
                                "select kindname, issys, iskind, upflag from am_kind where kind = "
                                "122 and id = " +
                                    manager),
                      std::vector<std::string>{"职务|0|1|0"});
        }
        EXPECT_EQ(t.value("select maxkey from as_tablekeys where tablename = 'am_kind'"),
                  c.maxKey ? c.maxKey : t.value("select max(id) from am_kind"));
    }
}

TEST(RepairFixedAssetInitDataTest, OnlyInitialCardsAreCopiedAndRepeatsGiveTheSame) {
    TargetOnly t("repair_assets");
    t.target.exec(
        "insert into af_fixedasset (fixedassetid, name, initflag, rawamt, fixedassetinitid) values"
        " (1, '车床', 1, 100.5, null), (2, '铣床', null, 200, 9), (3, '钻床', 0, 300, null), (-1, "
        "'旧', 1, 1, null);"
        "insert into af_fixedassetinit (fixedassetid, ybastdebit) select fixedassetid, 1 from "
        "af_fixedasset;"
        "insert into af_attach (fixedassetid, itemno, name) select fixedassetid, 1, 'x' from "
        "af_fixedasset;"
        "insert into af_ownerdep (departmentid, fixedassetid, itemno) select 1, fixedassetid, 1 "
        "from af_fixedasset;"
        "insert into af_fixinit (fixedassetid) values (77);");
    auto info = t.target.connInfo();
    for (int round = 1; round <= 2; ++round) {
        SCOPED_TRACE(round);
        engine::RepairFixedAssetInitData(t.ctx);
        EXPECT_EQ(queryRows(info, "select fixedassetid, name, rawamt from af_fixedassetinitdata"),
                  std::vector<std::string>{"1|车床|100.5000"});
        EXPECT_EQ(queryRows(info, "select fixedassetid from af_fixinit"),
                  std::vector<std::string>{"1"});
        EXPECT_EQ(queryRows(info, "select fixedassetid, isinit from af_attachinit"),
                  std::vector<std::string>{"1|0"});
        EXPECT_EQ(queryRows(info, "select fixedassetid, isinit from af_ownerdepinit"),
                  std::vector<std::string>{"1|0"});
        EXPECT_EQ(
            queryRows(info, "select fixedassetid, fixedassetinitid from af_fixedasset order by 1"),
            (std::vector<std::string>{"-1|<null>", "1|1", "2|9", "3|<null>"}));
        EXPECT_EQ(t.value("select maxkey from as_tablekeys where tablename = 'af_fixedasset'"),
                  "3");
        EXPECT_EQ(
            t.value("select maxkey from as_tablekeys where tablename = 'af_fixedassetinitdata'"),
            "1");
    }
}

}  // namespace
