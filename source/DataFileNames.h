#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace source {

// Names derived from a SQL Server data file's path (Linux separators).

// The file name without its directory, cut before its first "." when that "."
// is not the first character: /d/QX001_Alpha.MDF gives QX001_Alpha, /d/.hidden
// stays .hidden.
std::string DataFileBase(std::string_view path);

// The account code proposed for a data file: its base, and when that begins with
// "QX" (either case) and holds a "_", the part after the first "_", so a file an
// earlier restore or import made (QXLirToOrbit_ABC.MDF) keeps its code.
std::string ProposedAccountCode(std::string_view path);

// The old log files that may lie beside the data file: base + ".LDF" and
// base + "_log.LDF" in its directory.
std::vector<std::string> OldLogFiles(std::string_view path);

}  // namespace source
