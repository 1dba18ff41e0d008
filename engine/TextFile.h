#pragma once

#include <string>

namespace engine {

// The bytes of a whole file, unchanged. Throws RunError naming the path and the
// system's reason when it cannot be opened or read.
std::string readWholeFile(const std::string& path);

// Creates or truncates `path` and writes `bytes`; throws RunError naming the path
// and the system's reason (also for a failure that only shows when closing).
void writeWholeFile(const std::string& path, const std::string& bytes);

}  // namespace engine
