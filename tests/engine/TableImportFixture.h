#pragma once

// A small source and target for table-import tests: a PostgreSQL target database,
// a source database served by the SQL Server test server, both connections with
// the run's query objects, a run context with a recording host and a program
// directory of its own. Each test builds the few tables it needs.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "db/SourceConnection.h"
#include "db/SourceQuery.h"
#include "db/TargetConnection.h"
#include "db/TargetQuery.h"
#include "engine/RunContext.h"
#include "engine/RunHost.h"
#include "engine/RunLog.h"
#include "support/PgTestEnv.h"

namespace support {
class TdsTestServer;
}  // namespace support

namespace importtest {

// Keeps the log as the desktop shows it, and what the progress line said last
// before the line was turned into something else.
class LogHost : public engine::RunHost {
public:
    void appendLog(const std::string& text) override;
    void replaceLastLog(const std::string& text) override;
    void clearLog() override { log.clear(); }
    std::string logText() const override { return log.text(); }
    void setBusy(bool) override {}
    bool askYesNo(const std::string&, const std::string&) override { return false; }
    void showMessage(const std::string&, const std::string&, core::MessageIcon) override {}
    void processEvents() override { ++eventCalls; }

    std::vector<std::string> lines() const { return log.lines(); }
    bool hasLine(const std::string& line) const;

    engine::RunLog log;
    std::vector<std::string> appended;
    std::string lastProgress;  // last replacement that was a progress line
    int replacements = 0;
    int eventCalls = 0;
};

class ImportFixture : public testing::Test {
protected:
    static void SetUpTestSuite();
    static void TearDownTestSuite();
    void SetUp() override;
    void TearDown() override;

    // Runs the import of these target tables from the beginning.
    void importTables(const std::vector<std::string>& tables);
    void onTarget(const std::string& sql);
    void onSource(const std::string& sql);
    // Rows of a target query, each column as text, NULL as "<null>".
    std::vector<std::vector<std::string>> targetRows(const std::string& sql);
    std::vector<std::string> targetColumn(const std::string& sql);
    std::string targetValue(const std::string& sql);
    bool sourceHasTable(const std::string& table);
    // Sizes of the insert batches of a table, in the order of `orderBy`: rows
    // written by one flush share their transaction id.
    std::vector<int> flushSizes(const std::string& table, const std::string& orderBy);
    bool triggersEnabled(const std::string& table);
    std::string recordedTable();

    static support::TdsTestServer* server_;
    std::unique_ptr<support::TempPgDatabase> target_;
    std::string sourceName_;  // a PostgreSQL database with the legacy type domains
    db::SourceConnection conSource;
    db::TargetConnection conTarget;
    std::unique_ptr<db::SourceQuery> qrySourceData, qrySourceTmp;
    std::unique_ptr<db::TargetQuery> qryTargetData, qryTargetTmp;
    std::string programDir;
    LogHost host;
    engine::RunContext ctx;
};

}  // namespace importtest
