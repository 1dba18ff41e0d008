#include "SourceQuery.h"

#include <deque>
#include <optional>

#include "DbError.h"
#include "SourceConnection.h"
#include "SourceConnectionImpl.h"
#include "TdsColumn.h"

namespace db {

struct SourceQuery::Impl final : SourceResultOwner {
    SourceConnection::Impl& connection;
    bool isOpen = false;
    bool streaming = false;  // rows of this query are still on the wire
    bool atEnd = true;
    int64_t rowNumber = 0;
    std::vector<Column> columns;
    std::vector<TdsColumn> decoders;
    std::vector<Value> row;  // the current row; its values are refilled in place
    std::deque<std::vector<Value>> buffered;
    std::optional<DbError> pendingError;  // raised when the buffered rows run out

    explicit Impl(SourceConnection::Impl& c) : connection(c) {}

    // Reads the next row from the wire into `target`; false at the end of the rows,
    // where the rest of the batch is dropped and errors that came after the rows
    // (which end the rows like a normal end) are raised.
    bool fetch(std::vector<Value>& target) {
        DBPROCESS* p = connection.process.get();
        STATUS status = dbnextrow(p);
        if (status == REG_ROW) {
            for (size_t c = 0; c < decoders.size(); ++c) decoders[c].decode(p, target[c]);
            return true;
        }
        if (status != NO_MORE_ROWS && status != FAIL) {
            // Compute rows and the like: not produced by the statements the tool sends.
            return fetch(target);
        }
        finishStreaming();
        if (status == FAIL && connection.messages.errors.empty())
            throw DbError("reading a row failed");
        connection.raiseErrors();
        return false;
    }

    void finishStreaming() {
        streaming = false;
        if (connection.streaming == this) connection.streaming = nullptr;
        if (connection.process && !dbdead(connection.process.get())) connection.discardResults();
    }

    void bufferRemainingRows() override {
        try {
            std::vector<Value> next(decoders.size());
            while (fetch(next)) buffered.push_back(next);
        } catch (const DbError& e) {
            pendingError = e;
        }
    }

    void connectionClosing() noexcept override {
        streaming = false;
        atEnd = true;
        buffered.clear();
    }

    void advance() {
        if (!buffered.empty()) {
            row.swap(buffered.front());
            buffered.pop_front();
        } else if (streaming) {
            if (!fetch(row)) {
                atEnd = true;
                return;
            }
        } else {
            atEnd = true;
            if (pendingError) {
                DbError error = *pendingError;
                pendingError.reset();
                throw error;
            }
            return;
        }
        atEnd = false;
        ++rowNumber;
    }

    void close() noexcept {
        if (streaming && connection.process) {
            // Drop the unread rows: db-lib's cancel sends an attention and reads to its answer.
            dbcancel(connection.process.get());
        }
        if (connection.streaming == this) connection.streaming = nullptr;
        streaming = false;
        isOpen = false;
        atEnd = true;
        rowNumber = 0;
        columns.clear();
        decoders.clear();
        buffered.clear();
        pendingError.reset();
    }

    void open(const std::string& sql) {
        close();
        connection.send(sql);
        DBPROCESS* p = connection.process.get();
        // The first result with columns is the query's; statements before it (set
        // options, updates) give results without columns.
        RETCODE rc;
        while ((rc = dbresults(p)) != NO_MORE_RESULTS) {
            if (rc == FAIL) {
                if (dbdead(p)) break;
                continue;
            }
            if (dbnumcols(p) > 0) break;
        }
        if (rc != SUCCEED || dbnumcols(p) == 0) {
            if (dbdead(p)) connection.raise("the connection to the server was lost");
            if (rc != NO_MORE_RESULTS) connection.discardResults();
            connection.raiseErrors();
            isOpen = true;
            return;
        }
        int count = dbnumcols(p);
        for (int c = 1; c <= count; ++c) {
            decoders.emplace_back(p, c);
            columns.push_back(decoders.back().column());
        }
        row.resize(decoders.size());
        streaming = true;
        connection.streaming = this;
        isOpen = true;
        advance();
    }
};

SourceQuery::SourceQuery(SourceConnection& connection)
    : impl_(std::make_unique<Impl>(connection.impl())), connection_(connection) {}

SourceQuery::~SourceQuery() noexcept { impl_->close(); }

void SourceQuery::setText(const std::string& sql) { text_ = sql; }

void SourceQuery::open() { impl_->open(text_); }

void SourceQuery::close() noexcept { impl_->close(); }

bool SourceQuery::isOpen() const { return impl_->isOpen; }

const std::vector<Column>& SourceQuery::columns() const { return impl_->columns; }

bool SourceQuery::eof() const { return impl_->atEnd; }

void SourceQuery::next() {
    if (!impl_->atEnd) impl_->advance();
}

int64_t SourceQuery::recNo() const { return impl_->rowNumber; }

const Value& SourceQuery::value(int index) const {
    if (index < 0 || static_cast<size_t>(index) >= impl_->columns.size())
        throw DbError("column index " + std::to_string(index) + " out of range");
    if (impl_->atEnd) throw DbError("no current row");
    return impl_->row[index];
}

}  // namespace db
