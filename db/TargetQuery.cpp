#include "TargetQuery.h"

#include <libpq-fe.h>

#include "ColumnCast.h"
#include "CopyText.h"
#include "DbError.h"
#include "PgConnection.h"
#include "PgType.h"
#include "TargetConnection.h"
#include "TargetConnectionImpl.h"

namespace db {

namespace {

// COPY data goes to the server in pieces of about this size.
constexpr size_t kCopyChunk = 1 << 20;

}  // namespace

struct TargetQuery::Impl {
    struct ColumnInfo {
        PgTypeClass type = PgTypeClass::Other;
        unsigned int tableOid = 0;
        int attnum = 0;
    };
    enum class RowState : unsigned char { Clean, Edited, Appended };
    struct Row {
        std::vector<Value> values;
        std::vector<Value> original;  // as fetched, to find the row again for an UPDATE
        std::vector<char> assigned;
        RowState state = RowState::Clean;
        bool queued = false;  // posted and waiting for the next flush
    };
    enum class Mode { Browse, Edit, Insert };

    PgConnection& pg;
    bool isOpen = false;
    std::vector<Column> columns;
    std::vector<ColumnInfo> info;
    // Row storage outlives close() and forgetRows(): a copy loop that starts a new
    // batch after every flush reuses the rows and their value buffers.
    std::vector<Row> rows;
    size_t rowCount = 0;
    size_t current = 0;
    Mode mode = Mode::Browse;
    std::vector<size_t> appended;
    std::vector<size_t> edited;
    bool tableResolved = false;
    PgTableInfo table;
    std::vector<int> keyColumns;  // query columns that find a row again
    std::string buffer;
    bool deferLastCopy = false;  // the flush under way leaves its last COPY running

    explicit Impl(PgConnection& connection) : pg(connection) {}

    bool eof() const { return current >= rowCount; }

    Row& newRow() {
        if (rowCount == rows.size()) rows.emplace_back();
        Row& row = rows[rowCount++];
        row.values.resize(columns.size());
        for (Value& v : row.values) v.setNull();
        row.assigned.assign(columns.size(), 0);
        row.state = RowState::Clean;
        row.queued = false;
        return row;
    }

    void requireOpen() const {
        if (!isOpen) throw DbError("the query is not open");
    }

    void requireColumn(int index) const {
        if (index < 0 || static_cast<size_t>(index) >= columns.size())
            throw DbError("column index " + std::to_string(index) + " out of range");
    }

    Row& currentRow() {
        if (eof()) throw DbError("no current row");
        return rows[current];
    }

    void resolveTable() {
        if (tableResolved) return;
        unsigned int oid = 0;
        for (const ColumnInfo& c : info) {
            if (c.tableOid == 0) continue;
            if (oid != 0 && c.tableOid != oid)
                throw DbError("the query's columns come from more than one table");
            oid = c.tableOid;
        }
        if (oid == 0) throw DbError("the query has no table to write to");
        table = pg.table(oid);
        keyColumns.clear();
        for (int attnum : table.keyAttnums) {
            int found = -1;
            for (size_t c = 0; c < info.size(); ++c) {
                if (info[c].attnum == attnum) found = static_cast<int>(c);
            }
            if (found < 0) {
                keyColumns.clear();
                break;
            }
            keyColumns.push_back(found);
        }
        // No primary key among the columns: the row is found by all its original values.
        if (keyColumns.empty()) {
            for (size_t c = 0; c < info.size(); ++c) {
                if (info[c].tableOid != 0) keyColumns.push_back(static_cast<int>(c));
            }
        }
        tableResolved = true;
    }

    void beginEdit() {
        resolveTable();
        Row& row = currentRow();
        if (row.state == RowState::Clean) {
            row.original = row.values;
            row.assigned.assign(columns.size(), 0);
        }
        mode = Mode::Edit;
    }

    void postCurrent() {
        if (mode == Mode::Browse) return;
        Row& row = rows[current];
        if (mode == Mode::Insert) {
            row.state = RowState::Appended;
            if (!row.queued) appended.push_back(current);
            row.queued = true;
        } else if (row.state == RowState::Clean) {
            bool changed = false;
            for (char a : row.assigned) changed = changed || a;
            if (changed) {
                row.state = RowState::Edited;
                row.queued = true;
                edited.push_back(current);
            }
        }
        mode = Mode::Browse;
    }

    void assign(int index, const Value& value) {
        requireOpen();
        requireColumn(index);
        if (mode == Mode::Browse) beginEdit();
        if (info[index].tableOid == 0)
            throw DbError("column \"" + columns[index].name + "\" is not a column of table " +
                          table.name);
        Row& row = rows[current];
        if (const char* reason = castToColumn(value, info[index].type, row.values[index])) {
            throw ConversionError("cannot convert to " +
                                  std::string(pgTypeClassName(info[index].type)) + " (" + reason +
                                  "): table " + table.name + ", column " + columns[index].name +
                                  ", value \"" + value.toText() + "\"");
        }
        row.assigned[index] = 1;
    }

    void markFlushed(size_t index) {
        Row& row = rows[index];
        row.state = RowState::Clean;
        row.queued = false;
        row.assigned.assign(columns.size(), 0);
    }

    // Drops the rows that were sent from the waiting lists, whatever happened.
    void compactQueues() {
        auto keep = [&](std::vector<size_t>& list) {
            size_t out = 0;
            for (size_t index : list) {
                if (rows[index].queued) list[out++] = index;
            }
            list.resize(out);
        };
        keep(appended);
        keep(edited);
    }

    void sendUpdate(size_t index) {
        const Row& row = rows[index];
        std::string sql = "update " + table.quotedName + " set ";
        std::vector<std::string> texts;
        std::vector<bool> isNull;
        auto addParameter = [&](const Value& v) {
            texts.emplace_back();
            appendParameterText(v, texts.back());
            isNull.push_back(v.isNull());
            return "$" + std::to_string(texts.size());
        };
        bool first = true;
        for (size_t c = 0; c < columns.size(); ++c) {
            if (!row.assigned[c]) continue;
            if (!first) sql += ", ";
            first = false;
            sql += PgConnection::quoteIdentifier(columns[c].name) + " = " +
                   addParameter(row.values[c]);
        }
        sql += " where ";
        bool byKey = !table.keyAttnums.empty();
        for (size_t k = 0; k < keyColumns.size(); ++k) {
            int c = keyColumns[k];
            if (k) sql += " and ";
            sql += PgConnection::quoteIdentifier(columns[c].name) +
                   (byKey ? " = " : " is not distinct from ") + addParameter(row.original[c]);
        }
        std::vector<const char*> values;
        for (size_t i = 0; i < texts.size(); ++i)
            values.push_back(isNull[i] ? nullptr : texts[i].c_str());
        PgResult result = pg.execParams(sql, values);
        if (std::string(PQcmdTuples(result.get())) == "0")
            throw DbError("the row to update was not found in table " + table.name);
    }

    void sendCopy(const std::vector<char>& mask, const std::vector<size_t>& group) {
        std::string sql = "copy " + table.quotedName + " (";
        bool first = true;
        for (size_t c = 0; c < columns.size(); ++c) {
            if (!mask[c]) continue;
            if (!first) sql += ", ";
            first = false;
            sql += PgConnection::quoteIdentifier(columns[c].name);
        }
        sql += ") from stdin";
        pg.collectDeferred();
        PGconn* conn = pg.get();
        PgResult start(PQexec(conn, sql.c_str()));
        if (!start || start.status() != PGRES_COPY_IN) pg.fail(start);

        auto put = [&]() {
            if (!buffer.empty() &&
                PQputCopyData(conn, buffer.data(), static_cast<int>(buffer.size())) != 1) {
                buffer.clear();
                pg.failConnection();
            }
            buffer.clear();
        };
        buffer.clear();
        for (size_t index : group) {
            const Row& row = rows[index];
            bool firstField = true;
            for (size_t c = 0; c < columns.size(); ++c) {
                if (!mask[c]) continue;
                if (!firstField) buffer += '\t';
                firstField = false;
                appendCopyField(row.values[c], buffer);
            }
            buffer += '\n';
            if (buffer.size() >= kCopyChunk) put();
        }
        put();
        if (PQputCopyEnd(conn, nullptr) != 1) pg.failConnection();
        pg.deferCopyOutcome();
        if (!deferLastCopy) pg.collectDeferred();
    }

    void sendAppended() {
        // One COPY per set of assigned columns, so unassigned columns take their defaults.
        std::vector<std::vector<char>> masks;
        std::vector<std::vector<size_t>> groups;
        for (size_t index : appended) {
            const std::vector<char>& mask = rows[index].assigned;
            size_t g = masks.size();
            if (g > 0 && masks.back() == mask) {
                g = masks.size() - 1;
            } else {
                for (size_t i = 0; i < masks.size(); ++i) {
                    if (masks[i] == mask) g = i;
                }
            }
            if (g == masks.size()) {
                masks.push_back(mask);
                groups.emplace_back();
            }
            groups[g].push_back(index);
        }
        for (size_t g = 0; g < groups.size(); ++g) {
            bool any = false;
            for (char a : masks[g]) any = any || a;
            if (any) {
                sendCopy(masks[g], groups[g]);
            } else {
                for (size_t i = 0; i < groups[g].size(); ++i)
                    pg.exec("insert into " + table.quotedName + " default values");
            }
            for (size_t index : groups[g]) markFlushed(index);
        }
    }

    void flush(bool wait) {
        deferLastCopy = !wait;
        requireOpen();
        postCurrent();
        if (appended.empty() && edited.empty()) {
            if (!deferLastCopy) pg.collectDeferred();
            return;
        }
        resolveTable();
        try {
            for (size_t index : edited) {
                sendUpdate(index);
                markFlushed(index);
            }
            sendAppended();
        } catch (...) {
            compactQueues();
            throw;
        }
        compactQueues();
    }

    void close() noexcept {
        isOpen = false;
        columns.clear();
        info.clear();
        rowCount = 0;
        current = 0;
        mode = Mode::Browse;
        appended.clear();
        edited.clear();
        tableResolved = false;
        keyColumns.clear();
    }

    void open(const std::string& sql) {
        close();
        PgResult result = pg.exec(sql);
        PGresult* r = result.get();
        int fields = PQnfields(r);
        for (int c = 0; c < fields; ++c) {
            unsigned int type = PQftype(r, c);
            columns.push_back(Column{PQfname(r, c), pgColumnType(type), type});
            info.push_back(ColumnInfo{pgTypeClass(type), PQftable(r, c), PQftablecol(r, c)});
        }
        int tuples = PQntuples(r);
        for (int t = 0; t < tuples; ++t) {
            Row& row = newRow();
            for (int c = 0; c < fields; ++c) {
                if (PQgetisnull(r, t, c)) continue;
                decodePgText(std::string_view(PQgetvalue(r, t, c),
                                              static_cast<size_t>(PQgetlength(r, t, c))),
                             info[c].type, row.values[c]);
            }
        }
        isOpen = true;
    }
};

TargetQuery::TargetQuery(TargetConnection& connection)
    : impl_(std::make_unique<Impl>(connection.impl().pg)), connection_(connection) {}

TargetQuery::~TargetQuery() noexcept = default;

void TargetQuery::setText(const std::string& sql) { text_ = sql; }

void TargetQuery::open() { impl_->open(text_); }

void TargetQuery::close() noexcept { impl_->close(); }

bool TargetQuery::isOpen() const { return impl_->isOpen; }

const std::vector<Column>& TargetQuery::columns() const { return impl_->columns; }

bool TargetQuery::eof() const { return impl_->eof(); }

void TargetQuery::next() {
    impl_->postCurrent();
    if (!impl_->eof()) ++impl_->current;
}

void TargetQuery::first() {
    impl_->postCurrent();
    impl_->current = 0;
}

int64_t TargetQuery::recNo() const {
    return static_cast<int64_t>(impl_->eof() ? impl_->rowCount : impl_->current + 1);
}

int64_t TargetQuery::recordCount() const { return static_cast<int64_t>(impl_->rowCount); }

const Value& TargetQuery::value(int index) const {
    impl_->requireColumn(index);
    if (impl_->eof()) throw DbError("no current row");
    return impl_->rows[impl_->current].values[index];
}

bool TargetQuery::locate(std::string_view columnNames, const std::vector<Value>& values) {
    impl_->requireOpen();
    std::vector<int> indices;
    while (true) {
        size_t semicolon = columnNames.find(';');
        std::string_view name = columnNames.substr(0, semicolon);
        int index = findColumn(name);
        if (index < 0) throw FieldNotFound("field \"" + std::string(name) + "\" not found");
        indices.push_back(index);
        if (semicolon == std::string_view::npos) break;
        columnNames.remove_prefix(semicolon + 1);
    }
    if (indices.size() != values.size())
        throw DbError("locate needs one value per column, got " + std::to_string(values.size()));
    impl_->postCurrent();
    for (size_t r = 0; r < impl_->rowCount; ++r) {
        const auto& row = impl_->rows[r].values;
        bool match = true;
        for (size_t i = 0; i < indices.size() && match; ++i) match = row[indices[i]] == values[i];
        if (match) {
            impl_->current = r;
            return true;
        }
    }
    return false;
}

void TargetQuery::append() {
    impl_->requireOpen();
    impl_->resolveTable();
    impl_->postCurrent();
    impl_->newRow();
    impl_->current = impl_->rowCount - 1;
    impl_->mode = Impl::Mode::Insert;
}

void TargetQuery::edit() {
    impl_->requireOpen();
    impl_->postCurrent();
    impl_->beginEdit();
}

void TargetQuery::setValue(int index, const Value& value) { impl_->assign(index, value); }

void TargetQuery::setValue(std::string_view name, const Value& value) {
    int index = findColumn(name);
    if (index < 0) throw FieldNotFound("field \"" + std::string(name) + "\" not found");
    impl_->assign(index, value);
}

void TargetQuery::setInteger(int index, int64_t value) {
    impl_->assign(index, Value::fromInt(value));
}

void TargetQuery::setInteger(std::string_view name, int64_t value) {
    setValue(name, Value::fromInt(value));
}

void TargetQuery::setNull(int index) { impl_->assign(index, Value()); }

void TargetQuery::post() { impl_->postCurrent(); }

int64_t TargetQuery::pendingRows() const {
    return static_cast<int64_t>(impl_->appended.size() + impl_->edited.size());
}

void TargetQuery::flush() { impl_->flush(true); }

void TargetQuery::flushWithoutWaiting() { impl_->flush(false); }

void TargetQuery::forgetRows() {
    Impl& q = *impl_;
    q.requireOpen();
    q.postCurrent();
    if (!q.appended.empty() || !q.edited.empty())
        throw DbError("rows waiting for a flush cannot be forgotten");
    q.rowCount = 0;
    q.current = 0;
}

void TargetQuery::discardRows() {
    Impl& q = *impl_;
    q.requireOpen();
    q.mode = Impl::Mode::Browse;
    q.appended.clear();
    q.edited.clear();
    q.rowCount = 0;
    q.current = 0;
}

}  // namespace db
