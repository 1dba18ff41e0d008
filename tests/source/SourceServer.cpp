#include "SourceServer.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include "db/ConnectionStrings.h"
#include "db/SourceConnection.h"
#include "db/SourceQuery.h"
#include "support/PgTestEnv.h"
#include "support/SourceDatabase.h"
#include "tds-testserver/DatabaseImageWriter.h"

namespace sourcetest {

SourceServer::SourceServer(const std::string& tag, int rows)
    : legacy_("qxlegacy" + tag + std::to_string(getpid())), code_(tag + std::to_string(getpid())) {
    support::createSourceDatabase(legacy_);
    support::execPg(support::pgConnInfo(legacy_),
                    "create table t (id int primary key, name varchar(40));"
                    "insert into t select i, md5(i::text) || '账套' from generate_series(1, " +
                        std::to_string(rows) + ") i;");
}

SourceServer::~SourceServer() {
    support::dropSourceDatabase(legacy_);
    support::dropPgDatabase(createdName());
    for (const auto& name : extra_) support::dropPgDatabase(name);
}

std::string SourceServer::connectionString(const std::string& database) const {
    return db::SqlServerConnectionString(server_.host(), std::to_string(server_.port()),
                                         server_.user(), server_.password(), database,
                                         "SQLOLEDB.1");
}

void SourceServer::openMaster(db::SourceConnection& con) const {
    con.open(connectionString("master"));
}

void SourceServer::writeBackupSet(const std::string& path) const {
    tdsserver::DatabaseImageWriter(support::pgConnInfo(), legacy_).writeBackupSet(path);
}

void SourceServer::writeDataFile(const std::string& path) const {
    tdsserver::DatabaseImageWriter(support::pgConnInfo(), legacy_).writeDataFile(path);
}

bool SourceServer::databaseExists(db::SourceConnection& con, const std::string& name) const {
    db::SourceQuery query(con);
    query.setText("select name from sysdatabases where lower(name) = lower('" + name + "')");
    query.open();
    return !query.eof();
}

int SourceServer::rowsIn(const std::string& database) const {
    db::SourceConnection con;
    con.open(connectionString(database));
    db::SourceQuery query(con);
    query.setText("select count(*) as n from t");
    query.open();
    return static_cast<int>(query.asInteger("n"));
}

void SourceServer::createDatabase(const std::string& name) {
    support::createSourceDatabase(name);
    extra_.push_back(name);
}

void SourceServer::dropDatabase(const std::string& name) {
    extra_.push_back(name);
    support::dropPgDatabase(name);
}

bool SourceServer::databaseExists(const std::string& name) const {
    db::SourceConnection con;
    openMaster(con);
    return databaseExists(con, name);
}

}  // namespace sourcetest
