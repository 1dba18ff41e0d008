#pragma once

#include <string>
#include <vector>

namespace app {

// The lines of the skip list (code page 936, or UTF-8 when it starts with a
// byte-order mark; LF or CRLF line ends; a last line without an end counts). Throws
// std::runtime_error with the system's reason when the file cannot be opened or read: without it a
// window or a run does not start.
std::vector<std::string> loadTableList(const std::string& path);

}  // namespace app
