#pragma once

#include <string>

#include "TableResult.h"

namespace engine {

// The report as JSON: an array with one object per table (table, status,
// source_rows, target_rows, changed_columns, unfilled_columns). Counts that were
// never taken are null. Texts are UTF-8.
std::string runReportJson(const RunReport& report);

// Writes runReportJson into `path`, replacing the file only once it is whole.
// Throws RunError with the system's reason when it cannot be written.
void saveRunReportJson(const std::string& path, const RunReport& report);

}  // namespace engine
