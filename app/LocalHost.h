#pragma once

#include <string>

namespace app {

// The local host's first IPv4 address in dotted notation, empty when the host
// name cannot be had or resolved.
std::string GetLocalHostIP();

// Whether a source server field names this machine: the trimmed text equals
// `localHostIP` (when known), "127.0.0.1", or "localhost" in any case. Decides
// whether the restore and import buttons are shown.
bool isLocalSourceServer(const std::string& serverField, const std::string& localHostIP);

}  // namespace app
