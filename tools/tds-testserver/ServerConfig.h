#pragma once
#include <string>

namespace tdsserver {

// What every session needs to know: where PostgreSQL is and the one login accepted.
struct ServerConfig {
    std::string conninfo;
    std::string user = "sa";
    std::string password = "Test-Pass1";
};

}  // namespace tdsserver
