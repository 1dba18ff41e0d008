#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "RowReader.h"

namespace db {

class TargetConnection;

// A query on the target with a local row set, like a batch-optimistic record set:
// open() fetches the rows, edits and appended rows stay local until flush().
//
// Appending: append() starts an empty row in which every column is unassigned;
// setValue/setInteger/setNull assign columns, converting the value to the column's
// type as PostgreSQL's own cast would (numeric to integer rounds; a text that is
// no number into a numeric column raises ConversionError naming table, column and
// value); post() keeps the row for the next flush. flush() sends the posted rows
// with one COPY FROM STDIN per set of assigned columns (unassigned columns take
// their defaults), and the edited rows as UPDATEs keyed by the table's primary
// key. A rejected row raises DbError with the server's text; rows of earlier
// flushes stay. The table written to is the base table of the query's columns.
// After a flush the rows sent stay in the local row set as unchanged rows (until
// close). A failed flush leaves the rows it had not sent waiting. A row being
// appended or edited is posted by append(), edit(), next(), first(), locate() and
// flush() as well; assigning a column of a fetched row starts its edit. Edits are
// found again by the primary key, or by all original values when the query does
// not hold the key; a row no longer on the server makes flush() throw.
// Borrows its connection, which must outlive it.
class TargetQuery : public RowReader {
public:
    explicit TargetQuery(TargetConnection& connection);
    ~TargetQuery() noexcept override;
    TargetQuery(const TargetQuery&) = delete;
    TargetQuery& operator=(const TargetQuery&) = delete;

    void setText(const std::string& sql);
    const std::string& text() const { return text_; }
    // Runs the text and stands on the first row. Throws DbError.
    void open();
    // Drops the local row set, including rows not yet flushed.
    void close() noexcept;
    bool isOpen() const;

    const std::vector<Column>& columns() const override;
    bool eof() const override;
    void next() override;
    void first();
    int64_t recNo() const override;
    // Rows held locally: fetched rows plus appended ones.
    int64_t recordCount() const;
    const Value& value(int index) const override;

    // Moves to the first row whose named columns ("kind;id") equal `values`
    // exactly; returns false (position unchanged) when there is none.
    bool locate(std::string_view columnNames, const std::vector<Value>& values);

    void append();
    void edit();
    void setValue(int index, const Value& value);
    void setValue(std::string_view name, const Value& value);
    void setInteger(int index, int64_t value);
    void setInteger(std::string_view name, int64_t value);
    void setNull(int index);
    void post();
    // Rows posted since the last flush that are waiting to be sent.
    int64_t pendingRows() const;
    // Also waits for a COPY that flushWithoutWaiting() left running.
    void flush();
    // flush(), except that the last COPY is not waited for: the server loads those
    // rows while the caller prepares the next batch. A failure of that COPY is
    // thrown by the next statement on the connection (another flush included)
    // with the server's text; a caller that stops sending calls flush() to be
    // sure the rows are stored.
    void flushWithoutWaiting();
    // Drops the local row set but keeps the query open, with its columns and its
    // table, for appending the next batch. Rows still waiting for a flush make
    // it throw DbError.
    void forgetRows();
    // Drops the local row set, rows waiting for a flush included, and keeps the
    // query open for appending: rows built only to be looked at are never sent.
    void discardRows();

    struct Impl;

private:
    std::unique_ptr<Impl> impl_;
    TargetConnection& connection_;
    std::string text_;
};

}  // namespace db
