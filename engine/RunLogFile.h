#pragma once

#include <ctime>
#include <string>

namespace engine {

// The run log file: log/<source>To<target>_<date time>.log in the program directory.

// Date and time as the name shows them before blanks and colons are replaced:
// 2024-1-5 9:05:03 (no leading zeros in date and hour).
std::string logDateTimeText(const std::tm& local);

// source + "To" + target + "_" + date time + ".log", with blanks and ":" replaced by
// "_". Every other character that is unsafe in a file name (path separators,
// control characters, wildcard and shell-special characters) becomes "_" as well,
// so a database name cannot lead the file out of log/.
std::string runLogFileName(const std::string& sourceDatabase, const std::string& targetDatabase,
                           const std::tm& local);

// Writes `logText` in code page 936 (characters without a code page 936 form become
// "?") into programDir/log/fileName, creating log/ when it is missing. Returns the
// path; throws RunError with the path and the system's reason.
std::string saveRunLog(const std::string& programDir, const std::string& fileName,
                       const std::string& logText);

}  // namespace engine
