#pragma once

#include <cstdint>
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
// On resume at step "11" a table is passed over when it sorts before the stored
// table in the order of core::lessIgnoreCase, the order TargetTableList is kept in.
void ImportTable(RunContext& ctx, const std::string& table, const ResumeState& resume);

// Sets the serial sequence of the first constrained serial column of `table`
// to the column's largest value.
void ResetTableSequence(RunContext& ctx, const std::string& table);

// The progress line of one table, "正在导入表[ D ]的数据(n/count)。", rebuilt in
// one reused buffer so that a row costs no allocation.
class ProgressLine {
public:
    explicit ProgressLine(const std::string& displayName);
    const std::string& text(int64_t row, int64_t count);

private:
    std::string prefix_;
    std::string line_;
};

}  // namespace engine
