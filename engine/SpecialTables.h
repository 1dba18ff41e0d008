#pragma once

#include <cstdint>
#include <string>

namespace engine {

struct RunContext;

// Tables whose content the table import does not simply replace. Each is called
// by ImportTable at its fixed point, on the run's thread, with the run context's
// connections and queries; errors propagate unless stated otherwise.

// "am_sysparam": updates "datavalue" of the target's existing parameters from the
// source (100, 101 and 3025 never; 107 only when the source value is not 2).
// `sourceTable` is the source name as it goes into a statement.
void MergeSystemParameters(RunContext& ctx, const std::string& sourceTable);

// "am_kind": appends the source's user categories of kinds the target knows and
// renames existing ones; the target's own categories stay.
void MergeKinds(RunContext& ctx, const std::string& table, const std::string& sourceTable);

// "l_employ": empties the operator and privilege tables and the employees, keeping
// the built-in rows.
void ClearEmployeePrivileges(RunContext& ctx);

// "l_goods": one generated SKU per goods item, then the target's key bookkeeping.
void RebuildGoodsSkus(RunContext& ctx);

// "l_goods", "l_trader": recomputes "pyspell" from "name" on the target.
void RefreshPinyin(RunContext& ctx, const std::string& table);

// "p_orderattach": copies the attachments in pages of 10 through a staging table
// on the source, numbered 1, 2, 3, ... afresh for every run. Expects qryTargetData
// open on the empty target query; updates the progress line. Fills `copy` (rows
// read, the sent values' fingerprints, a replay of the pages); the staging table
// stays for the replay until DropOrderAttachmentStaging.
struct TableCopy;
void CopyOrderAttachments(RunContext& ctx, const std::string& displayName, int64_t sourceRowCount,
                          TableCopy& copy);
// Drops the staging table; its errors are absorbed.
void DropOrderAttachmentStaging(RunContext& ctx);

}  // namespace engine
