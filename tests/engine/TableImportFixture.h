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
#include "support/PgTestEnv.h"
#include "support/RecordingHost.h"

namespace support {
class TdsTestServer;
}  // namespace support

namespace importtest {

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
    enginetest::RecordingHost host;
    engine::RunContext ctx;
};

}  // namespace importtest
