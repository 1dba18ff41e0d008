#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "CopyVerifier.h"

namespace db {
struct Column;
}

namespace engine {

struct RunContext;
class ColumnPlan;

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
// to the column's largest value; when no value reaches the sequence's minimum
// (keys of 0 or below, only NULL keys, no row) the sequence starts again at its
// start value.
void ResetTableSequence(RunContext& ctx, const std::string& table);

// What the copy of one table's rows sent, for its checks and its report line.
struct TableCopy {
    int64_t rowsRead = 0;
    std::vector<std::string> unfilledColumns;  // target columns no rule fills
    std::unique_ptr<CopyVerifier> verifier;    // null when verification is off
    CopyVerifier::Replay replay;               // sends the rows again, for a second look
};

// Sets up `copy` for a copy of `table` by `plan` into `targetColumns`: the
// unfilled columns and, when ctx.verifyCopies, the verifier (with the table's
// primary key, read from the target's catalogue).
void planTableCopy(RunContext& ctx, const std::string& table, const ColumnPlan& plan,
                   const std::vector<db::Column>& targetColumns, TableCopy& copy);

// The error of a table whose rows read differ from the source count.
std::string rowsReadMismatch(const std::string& table, int64_t rowsRead, int64_t count);

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
