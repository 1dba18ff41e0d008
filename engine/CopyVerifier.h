#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "TableResult.h"
#include "db/ColumnType.h"

namespace db {
class RowReader;
class TargetConnection;
}  // namespace db

namespace engine {

// Proves one table copy: what the target stores is what the run sent. The copy
// loop hands every row it sends to addSentRow, the one place where sent values
// are taken; verify() reads the table back with COPY TO and compares, column by
// column, an order-independent fingerprint of the values. Equal values count as
// equal however they are spelled: 1.50 = 1.5, timestamps to the microsecond, text
// byte for byte (blank padding of char(n) aside). Rows are matched by the table's
// primary key when every key column is sent, otherwise as a multiset of values.
// Sizes are decided once per table; a row costs no allocation.
class CopyVerifier {
public:
    // `sent[i]`: the copy assigns target column i. `keyColumns`: the primary key's
    // column names (empty when the table has none).
    CopyVerifier(std::string table, const std::vector<db::Column>& targetColumns,
                 const std::vector<bool>& sent, const std::vector<std::string>& keyColumns);

    // Takes in the rows the table holds before the copy (the built-in rows that
    // emptying keeps): the target is then expected to hold them and the rows sent.
    void addExistingRows(db::TargetConnection& target);
    int64_t existingRows() const { return existingRows_; }

    // The row just filled for sending; its columns are those of the constructor.
    void addSentRow(const db::RowReader& row);
    int64_t rowsSent() const { return rowsSent_; }

    // Calls its argument once for every row sent, filled as it was sent. Used only
    // when a column differs, to count its changed values and find an example.
    using Replay = std::function<void(const std::function<void(const db::RowReader&)>&)>;

    struct Outcome {
        int64_t storedRows = 0;
        std::vector<ChangedColumn> changed;
    };
    Outcome verify(db::TargetConnection& target, const Replay& replay);

    enum class Canon : unsigned char;  // how a column's values are compared

private:
    void hashSentRow(const db::RowReader& row);
    void hashStoredRow(std::string_view line, std::vector<std::string>* texts);
    uint64_t keyHash(const std::vector<uint64_t>& hashes) const;
    std::string copyStatement() const;
    void findChanges(db::TargetConnection& target, const Replay& replay,
                     const std::vector<size_t>& differing, Outcome& outcome);

    std::string table_;
    std::vector<int> columns_;          // target column index of each checked column
    std::vector<std::string> names_;    // their names
    std::vector<Canon> canons_;         // and how they compare
    std::vector<size_t> key_;           // positions in columns_ of the key columns
    std::vector<uint64_t> sentSums_;    // per checked column
    std::vector<uint64_t> storedSums_;  // per checked column
    std::vector<uint64_t> hashes_;      // scratch: the current row's value hashes
    std::string scratch_;
    std::string field_;
    int64_t rowsSent_ = 0;
    int64_t existingRows_ = 0;
};

}  // namespace engine
