#pragma once

#include <string>

namespace support {
class TdsTestServer;
}

namespace dbtest {

// Connection strings, as the tool composes them, for the test servers.
std::string targetConnectionString(const std::string& database, const std::string& password = {});
std::string sourceConnectionString(const support::TdsTestServer& server,
                                   const std::string& database);

// Resident set size of this process in kB.
long residentKilobytes();

}  // namespace dbtest
