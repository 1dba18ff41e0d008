#include "TableImportFixture.h"

#include <unistd.h>

#include <algorithm>
#include <filesystem>

#include "core/Settings.h"
#include "db/ConnectionStrings.h"
#include "engine/TableImport.h"
#include "support/PgTestEnv.h"
#include "support/SourceDatabase.h"
#include "support/TdsTestServer.h"

namespace importtest {

namespace {

std::string conninfoValue(const std::string& key, const std::string& fallback) {
    const std::string info = support::pgConnInfo();
    size_t at = info.find(key + "=");
    if (at == std::string::npos) return fallback;
    at += key.size() + 1;
    return info.substr(at, info.find(' ', at) - at);
}

std::string cell(const db::Value& value) { return value.isNull() ? "<null>" : value.toText(); }

}  // namespace

support::TdsTestServer* ImportFixture::server_ = nullptr;

void ImportFixture::SetUpTestSuite() {
    if (server_ == nullptr) server_ = new support::TdsTestServer();
}

void ImportFixture::TearDownTestSuite() {
    delete server_;
    server_ = nullptr;
}

void ImportFixture::SetUp() {
    target_ = std::make_unique<support::TempPgDatabase>("imp_tgt");
    static int counter = 0;
    sourceName_ = "imp_src_" + std::to_string(getpid()) + "_" + std::to_string(++counter);
    support::createSourceDatabase(sourceName_);

    conTarget.open(db::PgConnectionString(
        conninfoValue("host", "127.0.0.1"), conninfoValue("port", "5432"),
        conninfoValue("user", "postgres"), "", target_->name(), "MSDASQL.1"));
    conSource.open(db::SqlServerConnectionString(server_->host(), std::to_string(server_->port()),
                                                 server_->user(), server_->password(), sourceName_,
                                                 "SQLOLEDB.1"));
    qrySourceData = std::make_unique<db::SourceQuery>(conSource);
    qrySourceTmp = std::make_unique<db::SourceQuery>(conSource);
    qryTargetData = std::make_unique<db::TargetQuery>(conTarget);
    qryTargetTmp = std::make_unique<db::TargetQuery>(conTarget);

    char dir[] = "/tmp/import-test.XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    programDir = dir;

    ctx.lendConnections(conSource, conTarget, *qrySourceData, *qrySourceTmp, *qryTargetData,
                        *qryTargetTmp);
    ctx.sourceDatabase = sourceName_;
    ctx.targetDatabase = target_->name();
    ctx.programDir = programDir;
    ctx.host = &host;
}

void ImportFixture::TearDown() {
    qrySourceData.reset();
    qrySourceTmp.reset();
    qryTargetData.reset();
    qryTargetTmp.reset();
    conSource.close();
    conTarget.close();
    if (!sourceName_.empty()) support::dropSourceDatabase(sourceName_);
    if (!programDir.empty()) std::filesystem::remove_all(programDir);
}

void ImportFixture::importTables(const std::vector<std::string>& tables) {
    ctx.TargetTableList = tables;
    engine::ImportTables(ctx, {});
}

void ImportFixture::onTarget(const std::string& sql) { support::execPg(target_->connInfo(), sql); }

void ImportFixture::onSource(const std::string& sql) {
    support::execPg(support::pgConnInfo(sourceName_), sql);
}

std::vector<std::vector<std::string>> ImportFixture::targetRows(const std::string& sql) {
    db::TargetQuery query(conTarget);
    query.setText(sql);
    query.open();
    std::vector<std::vector<std::string>> rows;
    for (; !query.eof(); query.next()) {
        std::vector<std::string> row;
        for (size_t i = 0; i < query.columns().size(); ++i)
            row.push_back(cell(query.value(static_cast<int>(i))));
        rows.push_back(std::move(row));
    }
    return rows;
}

std::vector<std::string> ImportFixture::targetColumn(const std::string& sql) {
    std::vector<std::string> values;
    for (auto& row : targetRows(sql)) values.push_back(row.at(0));
    return values;
}

std::string ImportFixture::targetValue(const std::string& sql) {
    auto rows = targetRows(sql);
    return rows.empty() ? "<no row>" : rows.at(0).at(0);
}

bool ImportFixture::sourceHasTable(const std::string& table) {
    db::SourceQuery query(conSource);
    query.setText("select count(1) as cnt from sysobjects where name = '" + table +
                  "' and xtype = 'U'");
    query.open();
    return query.asInteger("cnt") > 0;
}

std::vector<int> ImportFixture::flushSizes(const std::string& table, const std::string& orderBy) {
    std::vector<int> sizes;
    for (auto& row : targetRows(
             "select count(*) from (select xmin::text as batch, row_number() over (order by " +
             orderBy + ") as n from " + table + ") r group by batch order by min(n)")) {
        sizes.push_back(std::stoi(row.at(0)));
    }
    return sizes;
}

bool ImportFixture::triggersEnabled(const std::string& table) {
    return targetValue("select count(*) from pg_trigger where tgrelid = '" + table +
                       "'::regclass and tgenabled = 'D'") == "0" &&
           targetValue("select count(*) from pg_trigger where tgrelid = '" + table +
                       "'::regclass") != "0";
}

std::string ImportFixture::recordedTable() {
    return core::Settings(core::settingsPath(programDir))
        .historyTableName(core::resumeSection(ctx.sourceDatabase, ctx.targetDatabase));
}

}  // namespace importtest
