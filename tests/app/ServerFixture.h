#pragma once

#include <memory>
#include <sstream>
#include <string>

#include "app/SideFields.h"
#include "fixtures/AccountSets.h"
#include "support/PgTestEnv.h"
#include "support/TdsTestServer.h"

namespace apptest {

// One key of the suite's "key=value ..." conninfo.
inline std::string conninfoValue(const std::string& key, const std::string& fallback) {
    std::istringstream words(support::pgConnInfo());
    std::string word;
    while (words >> word) {
        if (word.rfind(key + "=", 0) == 0) return word.substr(key.size() + 1);
    }
    return fallback;
}

// The connection fields that reach a source account set through the test server
// and a target account set on the suite's cluster. The cluster trusts loopback,
// so any non-empty target password is accepted.
inline app::SideFields sourceFields(const support::TdsTestServer& server, const std::string& db) {
    return {"127.0.0.1", std::to_string(server.port()), server.user(), server.password(), db};
}

inline app::SideFields targetFields(const std::string& db) {
    return {conninfoValue("host", "127.0.0.1"), conninfoValue("port", "5432"),
            conninfoValue("user", "postgres"), "unused", db};
}

}  // namespace apptest
