// The whole table import of a generated account set: every target table that the
// source has is filled with the source's rows, with the special tables' rules.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "core/TextRules.h"
#include "engine/TableImport.h"
#include "fixtures/PgRows.h"
#include "support/RunEnvironment.h"
#include "support/TdsTestServer.h"

namespace {

using fixtures::queryValue;

std::vector<std::string> publicTables(const std::string& connInfo) {
    std::vector<std::string> tables = fixtures::queryRows(
        connInfo, "select tablename from pg_tables where schemaname = 'public'");
    std::sort(tables.begin(), tables.end(), [](const std::string& a, const std::string& b) {
        return core::lessIgnoreCase(a, b);
    });
    return tables;
}

std::string sourceNameOf(const std::string& table) {
    if (table.starts_with("t_")) return table.substr(2);
    return core::replaceAllIgnoreCase(table, "o_resume_", "o_resume");
}

TEST(TableImportAccountSetTest, FillsEveryTableTheSourceHas) {
    support::TdsTestServer server;
    enginetest::RunEnvironment env("imp_set", 60, server);
    const std::string target = env.target.connInfo();
    const std::string source = env.source.connInfo();
    env.ctx.TargetTableList = publicTables(target);
    const std::vector<std::string> sourceTables = publicTables(source);

    engine::ImportTables(env.ctx, {});

    // Tables whose content the import merges or derives, checked below, and those
    // that clearing the employees' privileges empties when they come before
    // "l_employ".
    const std::set<std::string> special{"am_sysparam",  "am_kind",         "l_employ",
                                        "l_goodssku",   "o_oporgpri",      "cw_memberrela",
                                        "cw_privilege", "m_opgroupdetail", "m_opgroup"};
    int compared = 0;
    for (const std::string& table : env.ctx.TargetTableList) {
        const std::string from = sourceNameOf(table);
        if (special.count(table) ||
            std::find(sourceTables.begin(), sourceTables.end(), from) == sourceTables.end())
            continue;
        SCOPED_TRACE(table);
        const std::string rows = queryValue(source, "select count(*) from \"" + from + "\"");
        if (rows == "0") continue;  // the target keeps its seed rows
        EXPECT_EQ(queryValue(target, "select count(*) from " + table), rows);
        ++compared;
    }
    EXPECT_GT(compared, 5);
    // "order" is a reserved word: only its bracketed name reaches the table.
    EXPECT_NE(queryValue(source, "select count(*) from \"order\""), "0");
    EXPECT_EQ(queryValue(target, "select count(*) from t_order"),
              queryValue(source, "select count(*) from \"order\""));

    EXPECT_EQ(queryValue(target, "select datavalue from am_sysparam where paramid = 100"), "10");
    EXPECT_EQ(queryValue(target, "select datavalue from am_sysparam where paramid = 101"), "11");
    EXPECT_EQ(queryValue(target, "select count(*) from l_employ where empid = 99999999"), "1");
    EXPECT_EQ(queryValue(target, "select count(*) from l_goodssku"),
              queryValue(target, "select count(*) from l_goods"));
    EXPECT_EQ(
        queryValue(
            target,
            "select count(*) from l_goods where pyspell is distinct from fn_chineseletters(name)"),
        "0");
    EXPECT_EQ(
        queryValue(source, "select count(*) from pg_tables where tablename = 't_p_orderattach'"),
        "0");
    EXPECT_EQ(env.settings().historyTableName(env.section()), env.ctx.TargetTableList.back());
}

}  // namespace
