#include "DbTestSupport.h"

#include <fstream>
#include <sstream>

#include "db/ConnectionStrings.h"
#include "support/PgTestEnv.h"
#include "support/TdsTestServer.h"

namespace dbtest {

namespace {

// A value of LIR2ORBIT_TEST_PG ("host=127.0.0.1 port=N user=postgres").
std::string conninfoValue(const std::string& key) {
    std::istringstream in(support::pgConnInfo());
    std::string word;
    while (in >> word) {
        if (word.rfind(key + "=", 0) == 0) return word.substr(key.size() + 1);
    }
    return {};
}

}  // namespace

std::string targetConnectionString(const std::string& database, const std::string& password) {
    return db::PgConnectionString(conninfoValue("host"), conninfoValue("port"),
                                  conninfoValue("user"), password, database, "MSDASQL.1");
}

std::string sourceConnectionString(const support::TdsTestServer& server,
                                   const std::string& database) {
    return db::SqlServerConnectionString(server.host(), std::to_string(server.port()),
                                         server.user(), server.password(), database, "SQLOLEDB.1");
}

long residentKilobytes() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
    }
    return -1;
}

}  // namespace dbtest
