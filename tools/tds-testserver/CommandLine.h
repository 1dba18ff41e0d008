#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "tds-testserver/ServerConfig.h"

namespace tdsserver {

// The server's modes and options; usage() lists them.
struct CommandLine {
    ServerConfig server;
    int port = -1;
    std::string database;
    std::string writeBackupSet;
    std::string writeDataFile;
    std::string dataName;
    std::string logName;

    // Throws std::invalid_argument with a usage text.
    static CommandLine parse(const std::vector<std::string>& args);
    static const char* usage();
};

}  // namespace tdsserver
