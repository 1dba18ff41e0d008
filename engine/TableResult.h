#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace engine {

// What became of one target table in a run, as the report shows it.
enum class TableStatus {
    Copied,   // stored rows equal the rows read, every value as sent
    Changed,  // stored rows equal the rows read, some values changed by the target's types
    Merged,   // am_sysparam, am_kind: merged into the target's rows
    Skipped,  // on the skip list, or done by an earlier run that this one resumes
    Absent,   // the source has no such table
    Empty,    // the source table has no row
    Failed,   // the table's import raised; the run ended with it
};

// The report's word for a status: copied, changed, merged, skipped, absent, empty, failed.
const char* statusName(TableStatus status);

// A copied column whose stored values differ from those sent.
struct ChangedColumn {
    std::string column;
    int64_t values = 0;  // how many values differ
    // One of them: the row's key, the value sent and the value stored, as text.
    std::string exampleKey;
    std::string exampleSent;
    std::string exampleStored;
};

struct TableResult {
    std::string table;  // the target name
    TableStatus status = TableStatus::Skipped;
    int64_t sourceRows = -1;  // the source count; -1 where the table was not counted
    int64_t targetRows = -1;  // rows the target holds after the copy; -1 where not copied
    std::vector<ChangedColumn> changedColumns;
    // Target columns that no source column fills: they got their default.
    std::vector<std::string> unfilledColumns;
    std::string error;  // the failure's text, for Failed
};

// Every table the run visited, in the order visited.
struct RunReport {
    std::vector<TableResult> tables;
};

}  // namespace engine
