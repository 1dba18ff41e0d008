#pragma once

#include <string>
#include <vector>

#include "engine/TableResult.h"

namespace app {

// One table of the verification report as an operator reads it: Chinese status,
// counts as text (empty where a count was never taken) and what is worth a look.
struct ReportRow {
    std::string table;
    std::string status;
    int64_t sourceRows = -1;
    int64_t targetRows = -1;
    std::string notes;
    // Values changed, a failure, or stored rows that differ from the rows read.
    bool warning = false;
};

const char* statusLabel(engine::TableStatus status);
std::vector<ReportRow> reportRows(const engine::RunReport& report);

// "表名\t状态\t源行数\t目标行数\t说明" and one tab-separated line per row, lines
// ended by "\n": what the report's copy puts on the clipboard and the text file
// beside the run log holds.
std::string reportText(const std::vector<ReportRow>& rows);

// A line such as "共 39 张表：已复制 30，值有变化 2，失败 1", warnings first.
std::string reportSummary(const std::vector<ReportRow>& rows);

}  // namespace app
