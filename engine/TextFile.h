#pragma once

#include <string>

namespace engine {

// The bytes of a whole file, unchanged. Throws RunError naming the path and the
// system's reason when it cannot be opened or read.
std::string readWholeFile(const std::string& path);

// Creates or truncates `path` and writes `bytes`; throws RunError naming the path
// and the system's reason (also for a failure that only shows when closing).
void writeWholeFile(const std::string& path, const std::string& bytes);

// The text of a script file of the installation as UTF-8: a file that is valid
// UTF-8 (with or without a byte-order mark, which is dropped) is taken as it is,
// anything else is code page 936, the legacy product's encoding. Throws
// core::TextError for bytes that are neither.
std::string scriptText(std::string bytes);

}  // namespace engine
