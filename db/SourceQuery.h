#pragma once

#include <memory>
#include <string>

#include "RowReader.h"

namespace db {

class SourceConnection;

// A query on the source. Rows are streamed: open() reads the column list and the
// first row, next() the following ones, so memory does not grow with the table.
// When another command is sent on the same connection while this query still has
// unread rows, those rows are first read into a local buffer, so both stay usable.
// Borrows its connection, which must outlive it.
class SourceQuery : public RowReader {
public:
    explicit SourceQuery(SourceConnection& connection);
    ~SourceQuery() noexcept override;
    SourceQuery(const SourceQuery&) = delete;
    SourceQuery& operator=(const SourceQuery&) = delete;

    void setText(const std::string& sql);
    const std::string& text() const { return text_; }
    // Sends the text and stands on the first row (eof() when there is none).
    // Throws DbError with the server's text.
    void open();
    void close() noexcept;
    bool isOpen() const;

    const std::vector<Column>& columns() const override;
    bool eof() const override;
    void next() override;
    int64_t recNo() const override;
    const Value& value(int index) const override;

    struct Impl;

private:
    std::unique_ptr<Impl> impl_;
    SourceConnection& connection_;
    std::string text_;
};

}  // namespace db
