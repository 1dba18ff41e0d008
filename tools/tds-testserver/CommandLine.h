#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "tds-testserver/ServerConfig.h"

namespace tdsserver {

// tds-testserver --port N --postgres CONNINFO [--user NAME --password PW]
// tds-testserver --postgres CONNINFO --database D --write-backup-set FILE [--data-name X --log-name
// Y] tds-testserver --postgres CONNINFO --database D --write-data-file FILE.MDF [--data-name X
// --log-name Y]
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
