#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "db/ColumnType.h"
#include "db/Value.h"

namespace db {
class RowReader;
class TargetQuery;
}  // namespace db

namespace engine {

// What one target column receives from each source row. Decided once per table
// from the names and types of both column lists; applying it only moves values.
struct ColumnRule {
    enum class Kind {
        Unassigned,  // left to the column's default
        CopyValue,   // the source column's value, converted by the assignment
        CopyText,    // the same, with the two user-defined characters removed
        MemberId,    // blank -> 0, otherwise the integer value
        Integer,     // a constant
        ReadByName,  // a source column the source lacks: fails on the first row
    };
    Kind kind = Kind::Unassigned;
    int sourceIndex = -1;
    int64_t constant = 0;
    std::string sourceName;  // ReadByName: the name that is looked up
};

// The rules for every target column of one table, in the target's column order.
// Holds a scratch value so that cleaning text allocates nothing per row.
class ColumnPlan {
public:
    ColumnPlan() = default;

    // The general row copy of table `table` (always the target name).
    static ColumnPlan forTable(const std::string& table,
                               const std::vector<db::Column>& targetColumns,
                               const std::vector<db::Column>& sourceColumns);
    // The reduced rules of the paged attachment copy: same-named columns (text
    // cleaned) and "skuid" columns from their "goodsid" counterparts, nothing else.
    static ColumnPlan forAttachments(const std::vector<db::Column>& targetColumns,
                                     const std::vector<db::Column>& sourceColumns);

    const std::vector<ColumnRule>& rules() const { return rules_; }

private:
    friend void FillTargetRow(ColumnPlan& plan, const db::RowReader& source,
                              db::TargetQuery& target);

    std::vector<ColumnRule> rules_;
    db::Value scratch_;
};

// The rule of target column `column` of `table` when the source has no column of
// that name (renames, SKU ids, production time, constants).
ColumnRule FillMissingColumn(const std::string& table, const std::string& column,
                             const std::vector<db::Column>& sourceColumns);

// Assigns the columns of the row just appended to `target` from the current row
// of `source`. Throws db::FieldNotFound when a rule reads a column the source
// lacks and db::ConversionError for a value the column cannot take.
void FillTargetRow(ColumnPlan& plan, const db::RowReader& source, db::TargetQuery& target);

// Removes U+E734 and U+E019 (code page 936 A7 6E and AA BA) from UTF-8 text;
// returns whether anything was removed.
bool removeUserDefinedChars(std::string& text);
bool holdsUserDefinedChars(std::string_view text);

}  // namespace engine
