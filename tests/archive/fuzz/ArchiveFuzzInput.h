#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace archive_fuzz {

// Unpacks `data` as an archive in `workDir` (created if missing). The input may
// hold several files separated by kVolumeSeparator: the first is the archive (or
// the first volume of a split one), the others lie beside it as volumes 1, 2, ….
// Questions are answered Yes, disk prompts Cancel. Returns what went wrong in a
// way no input may cause (empty when nothing did); raising a failure of the
// archive layer is fine, anything else escapes.
inline constexpr const char* kVolumeSeparator = "\n--volume--\n";
std::string RunArchiveInput(const std::uint8_t* data, std::size_t size, const std::string& workDir);

}  // namespace archive_fuzz
