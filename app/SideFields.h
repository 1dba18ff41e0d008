#pragma once

#include <string>

namespace app {

// The five connection fields of one side, exactly as the operator typed them.
// Callers trim when they build a connection string; the settings file and the
// resume section get the texts as they stand.
struct SideFields {
    std::string server;
    std::string port;
    std::string user;
    std::string password;
    std::string database;
};

}  // namespace app
