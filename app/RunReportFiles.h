#pragma once

#include <ctime>
#include <string>

#include "engine/TableResult.h"

namespace app {

// The run log file a run has just saved for this pair: the newest
// log/<source>To<target>_<date time>.log modified at or after `since`. Empty when
// there is none (the log could not be saved).
std::string findRunLogFile(const std::string& programDir, const std::string& sourceDatabase,
                           const std::string& targetDatabase, std::time_t since);

// Writes the report beside the run log as <log name>.report.json and
// <log name>.report.txt (the tab-separated table of reportText). Without a log
// file they are named as a log file saved now would be. Returns the text file's
// path; throws with the path and the system's reason.
std::string saveRunReport(const std::string& programDir, const std::string& sourceDatabase,
                          const std::string& targetDatabase, std::time_t since,
                          const engine::RunReport& report);

}  // namespace app
