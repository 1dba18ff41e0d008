#pragma once

#include <string>

namespace engine {

struct RunContext;

// Where a resumed run stands: the operator's answer and the stored step and table.
struct ResumeState {
    bool resume = false;
    std::string step;   // "HistoryStep" as stored
    std::string table;  // "HistoryTabName" as stored
};

// Step "11": every entry of ctx.TargetTableList, in order, through ImportTable.
void ImportTables(RunContext& ctx, const ResumeState& resume);

// One target table: skip list, resume test, count, merges, emptying, copy,
// sequence reset, closing actions. Errors propagate after the closing actions.
void ImportTable(RunContext& ctx, const std::string& table, const ResumeState& resume);

}  // namespace engine
