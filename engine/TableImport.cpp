#include "TableImport.h"

#include <algorithm>
#include <charconv>
#include <exception>

#include "ColumnMapping.h"
#include "ResumeRecord.h"
#include "RunContext.h"
#include "RunError.h"
#include "RunHost.h"
#include "SourceStatements.h"
#include "SpecialTables.h"
#include "SqlLiteral.h"
#include "SqlName.h"
#include "StopRequest.h"
#include "TableProgress.h"
#include "core/TextRules.h"
#include "db/DbError.h"
#include "db/SourceConnection.h"
#include "db/SourceQuery.h"
#include "db/TargetConnection.h"
#include "db/TargetQuery.h"

namespace engine {

namespace {

// Rows per flush: large rows (a binary column) go in small batches.
constexpr int kRowsPerFlush = 1000;
constexpr int kBinaryRowsPerFlush = 10;

// SQL Server's "Invalid object name": the only count error that means "no such table".
constexpr int kInvalidObjectName = 208;

std::string sourceTableName(const std::string& table) {
    if (table == "l_goods") return table;
    if (table.starts_with("t_")) return table.substr(2);
    return core::replaceAllIgnoreCase(table, "o_resume_", "o_resume");
}

std::string displayName(const std::string& table) {
    return table.starts_with("t_") ? table.substr(2) : table;
}

bool onSkipList(const RunContext& ctx, const std::string& table) {
    for (const std::string& line : ctx.LoadTableList) {
        if (core::equalsIgnoreCaseAscii(line, table)) return true;
    }
    return false;
}

// The tables before the stored one in list order are done. The list is sorted
// with lessIgnoreCase, so the same order decides here; a byte-wise test would
// disagree with the list where case or "_" against a digit differ.
bool doneInEarlierRun(const ResumeState& resume, const std::string& table) {
    return resume.resume && resume.step == "11" && core::lessIgnoreCase(table, resume.table);
}

void recordTable(const RunContext& ctx, const std::string& table) {
    ResumeRecord(ctx).writeTable(table);
}

void setTriggers(RunContext& ctx, const std::string& table, const char* state) {
    ctx.conTarget->execute("alter table " + targetName(table) + " " + state + " trigger all;");
    if (table == "l_goods")
        ctx.conTarget->execute(std::string("alter table l_goodssku ") + state + " trigger all;");
}

// The source row count; false when the source has no such table. Any other
// error (a lost connection, a permission, an arithmetic error inside a view) is
// the run's error: absorbing it would copy nothing and still end in success.
bool countSourceRows(RunContext& ctx, const std::string& sourceSql, int64_t& count) {
    db::SourceQuery& source = *ctx.qrySourceData;
    try {
        source.close();
        source.setText(sourcesql::CountRows(sourceSql));
        source.open();
        count = source.asInteger("cnt");
        return true;
    } catch (const db::DbError& e) {
        source.close();
        if (e.number() == kInvalidObjectName) return false;
        throw;
    }
}

void emptyTargetTable(RunContext& ctx, const std::string& table) {
    if (table == "l_employ") {
        ClearEmployeePrivileges(ctx);
    } else if (table == "l_goods") {
        ctx.conTarget->execute("delete from l_goodssku;");
        ctx.conTarget->execute("delete from " + targetName(table));
    } else {
        ctx.conTarget->execute("delete from " + targetName(table));
    }
}

// Reports target columns the source lacks (dev mode) and tells whether a copied
// column is binary.
bool inspectColumns(RunContext& ctx, const std::string& sourceTable) {
    bool binary = false;
    for (const db::Column& column : ctx.qryTargetData->columns()) {
        if (!ctx.qrySourceData->hasColumn(column.name)) {
            if (ctx.DevMode) {
                ctx.host->appendLog("在源数据库中未找到表[ " + sourceTable + " ]的字段[ " +
                                    column.name + " ]。");
            }
        } else if (db::isBinary(column.type)) {
            binary = true;
        }
    }
    return binary;
}

std::vector<std::string> primaryKeyColumns(RunContext& ctx, const std::string& table) {
    db::TargetQuery& query = *ctx.qryTargetTmp;
    query.close();
    query.setText(
        "select a.attname from pg_index i join pg_attribute a on a.attrelid = i.indrelid and "
        "a.attnum = any(i.indkey) where i.indisprimary and i.indrelid = " +
        quoteSqlLiteral(targetName(table)) +
        "::regclass order by array_position(i.indkey::int2[], a.attnum)");
    query.open();
    std::vector<std::string> names;
    for (; !query.eof(); query.next()) names.push_back(query.asText("attname"));
    query.close();
    return names;
}

void copyRows(RunContext& ctx, const std::string& table, const std::string& sourceSql,
              const std::string& display, int64_t count, bool binary, TableCopy& copy) {
    db::SourceQuery& source = *ctx.qrySourceData;
    db::TargetQuery& target = *ctx.qryTargetData;
    source.close();
    source.setText(sourcesql::AllRows(sourceSql));
    source.open();

    auto plan = std::make_shared<ColumnPlan>(
        ColumnPlan::forTable(table, target.columns(), source.columns()));
    planTableCopy(ctx, table, *plan, target.columns(), copy);
    CopyVerifier* verifier = copy.verifier.get();
    ProgressLine progress(display);
    const int rowsPerFlush = binary ? kBinaryRowsPerFlush : kRowsPerFlush;
    int pending = 0;
    int64_t read = 0;
    reportTableProgress(ctx, table, 0, count);
    for (; !source.eof(); source.next()) {
        target.append();
        FillTargetRow(*plan, source, target);
        // The values sent, taken here and nowhere else.
        if (verifier) verifier->addSentRow(target);
        target.post();
        ++read;
        if (++pending == rowsPerFlush) {
            // A stop lands between batches: this one is dropped unsent.
            throwIfStopRequested(ctx);
            // The server stores this batch while the next one is read.
            target.flushWithoutWaiting();
            target.forgetRows();
            pending = 0;
            reportTableProgress(ctx, table, source.recNo(), count);
        }
        ctx.host->replaceLastLog(progress.text(source.recNo(), count));
    }
    // Sends the rest and waits for every batch: only then is the table copied.
    target.flush();
    copy.rowsRead = read;
    target.discardRows();

    copy.replay = [&ctx, plan, sourceSql](const std::function<void(const db::RowReader&)>& each) {
        db::SourceQuery& again = *ctx.qrySourceData;
        db::TargetQuery& rows = *ctx.qryTargetData;
        again.close();
        again.setText(sourcesql::AllRows(sourceSql));
        again.open();
        int pending = 0;
        for (; !again.eof(); again.next()) {
            rows.append();
            FillTargetRow(*plan, again, rows);
            each(rows);
            if (++pending == kRowsPerFlush) {
                rows.discardRows();
                pending = 0;
            }
        }
        rows.discardRows();
        again.close();
    };
}

// Rows read = source count, rows stored = rows read, every column as sent.
void checkCopy(RunContext& ctx, const std::string& table, int64_t count, TableCopy& copy,
               TableResult& result) {
    if (copy.rowsRead != count) throw RunError(rowsReadMismatch(table, copy.rowsRead, count));
    result.unfilledColumns = copy.unfilledColumns;
    if (!copy.verifier) {
        result.status = TableStatus::Copied;
        result.targetRows = copy.rowsRead;
        return;
    }
    CopyVerifier::Outcome outcome = copy.verifier->verify(*ctx.conTarget, copy.replay);
    result.targetRows = outcome.storedRows;
    const int64_t kept = copy.verifier->existingRows();
    if (outcome.storedRows != copy.rowsRead + kept) {
        throw RunError("表[ " + table + " ]读到 " + std::to_string(copy.rowsRead) + " 条数据" +
                       (kept ? "（目标表另保留 " + std::to_string(kept) + " 条）" : "") +
                       "，目标表中存有 " + std::to_string(outcome.storedRows) + " 条。");
    }
    result.changedColumns = std::move(outcome.changed);
    result.status = result.changedColumns.empty() ? TableStatus::Copied : TableStatus::Changed;
}

// Steps of one table between the skip tests and the closing actions. Returns
// true when the table ran to its end (it is then recorded a second time).
bool importTableBody(RunContext& ctx, const std::string& table, const ResumeState& resume,
                     TableResult& result) {
    if (onSkipList(ctx, table)) {
        ctx.host->appendLog("\r\n跳过表[ " + table + " ]。");
        return false;
    }
    if (doneInEarlierRun(resume, table)) return false;

    recordTable(ctx, table);
    const std::string display = displayName(table);
    ctx.host->appendLog("\r\n开始导入表[ " + display + " ]的数据。");
    setTriggers(ctx, table, "disable");
    const std::string sourceTable = sourceTableName(table);
    const std::string sourceSql = sourcesql::SourceSqlName(table, sourceTable);

    int64_t count = 0;
    if (!countSourceRows(ctx, sourceSql, count)) {
        result.status = TableStatus::Absent;
        if (ctx.DevMode) ctx.host->appendLog("表[ " + sourceTable + " ]不存在。");
        return false;
    }
    result.sourceRows = count;
    if (count == 0) {
        result.status = TableStatus::Empty;
        ctx.host->appendLog("表[ " + sourceTable + " ]中无数据。");
        return false;
    }

    db::SourceQuery& source = *ctx.qrySourceData;
    source.close();
    source.setText(sourcesql::ColumnList(sourceSql));
    source.open();

    if (table == "am_sysparam" || table == "am_kind") {
        // Status first: a merge that fails is reported as failed by the caller.
        result.status = TableStatus::Merged;
        if (table == "am_sysparam") {
            MergeSystemParameters(ctx, sourceSql);
        } else {
            MergeKinds(ctx, table, sourceSql);
        }
        return false;
    }

    emptyTargetTable(ctx, table);

    db::TargetQuery& target = *ctx.qryTargetData;
    target.close();
    target.setText("select * from " + targetName(table) + " where 1<0");
    target.open();
    const bool binary = inspectColumns(ctx, sourceTable);

    ctx.host->appendLog("正在导入表[ " + display + " ]的数据");
    TableCopy copy;
    if (table == "p_orderattach") {
        CopyOrderAttachments(ctx, display, count, copy);
        checkCopy(ctx, table, count, copy, result);
        DropOrderAttachmentStaging(ctx);
    } else {
        copyRows(ctx, table, sourceSql, display, count, binary, copy);
        checkCopy(ctx, table, count, copy, result);
    }
    reportTableProgress(ctx, table, copy.rowsRead, count);

    if (table == "l_goods") RebuildGoodsSkus(ctx);
    if (table == "l_goods" || table == "l_trader") RefreshPinyin(ctx, table);
    ResetTableSequence(ctx, table);
    ctx.host->replaceLastLog("成功导入表 [ " + display + " ] " + std::to_string(count) +
                             "条数据。");

    ctx.qrySourceTmp->close();
    ctx.qryTargetTmp->close();
    ctx.host->processEvents();
    return true;
}

void finishTable(RunContext& ctx, TableResult result) {
    ctx.host->tableFinished(result);
    ctx.report.tables.push_back(std::move(result));
}

}  // namespace

std::string rowsReadMismatch(const std::string& table, int64_t rowsRead, int64_t count) {
    return "表[ " + table + " ]读到 " + std::to_string(rowsRead) + " 条数据，与源表计数 " +
           std::to_string(count) + " 条不符。";
}

void planTableCopy(RunContext& ctx, const std::string& table, const ColumnPlan& plan,
                   const std::vector<db::Column>& targetColumns, TableCopy& copy) {
    std::vector<bool> sent(targetColumns.size(), false);
    copy.unfilledColumns.clear();
    for (size_t i = 0; i < targetColumns.size(); ++i) {
        sent[i] = plan.rules()[i].kind != ColumnRule::Kind::Unassigned;
        if (!sent[i]) copy.unfilledColumns.push_back(targetColumns[i].name);
    }
    copy.verifier.reset();
    if (ctx.verifyCopies) {
        copy.verifier = std::make_unique<CopyVerifier>(table, targetColumns, sent,
                                                       primaryKeyColumns(ctx, table));
        copy.verifier->addExistingRows(*ctx.conTarget);
    }
}

ProgressLine::ProgressLine(const std::string& displayName)
    : prefix_("正在导入表[ " + displayName + " ]的数据(") {
    line_.reserve(prefix_.size() + 48);
}

const std::string& ProgressLine::text(int64_t row, int64_t count) {
    char digits[24];
    line_.assign(prefix_);
    auto end = std::to_chars(digits, digits + sizeof digits, row).ptr;
    line_.append(digits, end);
    line_.push_back('/');
    end = std::to_chars(digits, digits + sizeof digits, count).ptr;
    line_.append(digits, end);
    line_.append(")。");
    return line_;
}

void ImportTables(RunContext& ctx, const ResumeState& resume) {
    for (const std::string& table : ctx.TargetTableList) {
        throwIfStopRequested(ctx);
        ImportTable(ctx, table, resume);
    }
}

void ImportTable(RunContext& ctx, const std::string& table, const ResumeState& resume) {
    if (table.empty()) return;
    TableResult result;
    result.table = table;
    bool completed = false;
    try {
        completed = importTableBody(ctx, table, resume, result);
    } catch (...) {
        std::exception_ptr error = std::current_exception();
        // Nothing half-done may linger into a later table or command: unsent rows
        // are dropped and unread source rows are not buffered by the next command.
        ctx.qryTargetData->close();
        ctx.qrySourceData->close();
        try {
            // A batch sent without waiting that the server rejected failed before
            // whatever ended the table: its text is the one to report, and the
            // connection must be settled for the statements below to be sent.
            ctx.conTarget->settlePending();
        } catch (...) {
            error = std::current_exception();
        }
        try {
            setTriggers(ctx, table, "enable");
        } catch (const std::exception&) {
            // The table's own error is the one to report.
        }
        result.status = TableStatus::Failed;
        try {
            std::rethrow_exception(error);
        } catch (const std::exception& e) {
            result.error = e.what();
        } catch (...) {
            result.error = "unknown error";
        }
        finishTable(ctx, std::move(result));
        std::rethrow_exception(error);
    }
    setTriggers(ctx, table, "enable");
    if (completed) recordTable(ctx, table);
    finishTable(ctx, std::move(result));
}

void ResetTableSequence(RunContext& ctx, const std::string& table) {
    db::TargetQuery& query = *ctx.qryTargetTmp;
    query.close();
    query.setText(
        "select * from ( select t3.attname as fieldname,pg_get_serial_sequence(" +
        quoteSqlLiteral(targetName(table)) +
        ", t3.attname) as sequencename from pg_constraint t1 inner join pg_class t2 on "
        "t1.conrelid = "
        "t2.oid inner join pg_attribute t3 on t3.attrelid = t2.oid and "
        "array_position(t1.conkey,t3.attnum) "
        "is not null inner join pg_tables t4 on t4.tablename = t2.relname where length(t3.attname) "
        "> 0 "
        "\tand t2.relname = " +
        quoteSqlLiteral(table) +
        " group by t1.conname,t4.tablename,t3.attname ) m where sequencename is not null ");
    query.open();
    if (query.eof()) {
        query.close();
        return;
    }
    // The catalogue's spelling, quoted where it needs it (a lower-case name stays bare).
    const std::string field = targetName(query.asText("fieldname"));
    std::string sequence = query.asText("sequencename");
    if (sequence.find("public.") != std::string::npos)
        sequence = sequence.substr(sequence.find('.') + 1);
    const std::string sequenceLiteral = quoteSqlLiteral(sequence);

    // setval refuses a value below the sequence's minimum (keys of 0 or below):
    // then, as when there is no key at all, the sequence starts afresh.
    query.close();
    query.setText("select (select max(" + field + ") from " + targetName(table) +
                  ") >= s.seqmin as fits, s.seqstart from pg_sequence s where s.seqrelid = " +
                  sequenceLiteral + "::regclass");
    query.open();
    const bool fits = !query.eof() && query.asText("fits") == "True";
    const std::string start = query.eof() ? "1" : query.asText("seqstart");
    query.close();
    if (fits) {
        ctx.conTarget->execute("select setval(" + sequenceLiteral + ", (select max(" + field +
                               ") from " + targetName(table) + "));");
    } else {
        ctx.conTarget->execute("select setval(" + sequenceLiteral + ", " + start + ", false);");
    }
}

}  // namespace engine
