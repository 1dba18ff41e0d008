#include "TableImport.h"

#include <charconv>
#include <exception>

#include "ColumnMapping.h"
#include "ResumeRecord.h"
#include "RunContext.h"
#include "RunHost.h"
#include "SpecialTables.h"
#include "StopRequest.h"
#include "TableProgress.h"
#include "core/TextRules.h"
#include "db/SourceConnection.h"
#include "db/SourceQuery.h"
#include "db/TargetConnection.h"
#include "db/TargetQuery.h"

namespace engine {

namespace {

// Rows per flush: large rows (a binary column) go in small batches.
constexpr int kRowsPerFlush = 1000;
constexpr int kBinaryRowsPerFlush = 10;

std::string sourceTableName(const std::string& table) {
    if (table == "l_goods") return table;
    if (table.starts_with("t_")) return table.substr(2);
    return core::replaceAllIgnoreCase(table, "o_resume_", "o_resume");
}

// The source name as it goes into a statement. The editions renamed to "t_..."
// exactly the tables whose legacy names are reserved words (order, ...): bare,
// "from order" is a syntax error and the table would pass for absent.
std::string sourceSqlName(const std::string& table, const std::string& sourceTable) {
    return table.starts_with("t_") ? "[" + sourceTable + "]" : sourceTable;
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
    ctx.conTarget->execute("alter table " + table + " " + state + " trigger all;");
    if (table == "l_goods")
        ctx.conTarget->execute(std::string("alter table l_goodssku ") + state + " trigger all;");
}

// The source row count; false when it cannot be had (no such table, or any
// other failure), which makes the table count as absent.
bool countSourceRows(RunContext& ctx, const std::string& sourceSql, int64_t& count) {
    db::SourceQuery& source = *ctx.qrySourceData;
    try {
        source.close();
        source.setText("select count(1) as cnt from " + sourceSql + " where 1=1 ");
        source.open();
        count = source.asInteger("cnt");
        return true;
    } catch (const std::exception&) {
        source.close();
        return false;
    }
}

void emptyTargetTable(RunContext& ctx, const std::string& table) {
    if (table == "l_employ") {
        ClearEmployeePrivileges(ctx);
    } else if (table == "l_goods") {
        ctx.conTarget->execute("delete from l_goodssku;");
        ctx.conTarget->execute("delete from " + table);
    } else {
        ctx.conTarget->execute("delete from " + table);
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

void copyRows(RunContext& ctx, const std::string& table, const std::string& sourceSql,
              const std::string& display, int64_t count, bool binary) {
    db::SourceQuery& source = *ctx.qrySourceData;
    db::TargetQuery& target = *ctx.qryTargetData;
    source.close();
    source.setText("select * from " + sourceSql);
    source.open();

    ColumnPlan plan = ColumnPlan::forTable(table, target.columns(), source.columns());
    ProgressLine progress(display);
    const int rowsPerFlush = binary ? kBinaryRowsPerFlush : kRowsPerFlush;
    int pending = 0;
    reportTableProgress(ctx, table, 0, count);
    for (; !source.eof(); source.next()) {
        target.append();
        FillTargetRow(plan, source, target);
        target.post();
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
    reportTableProgress(ctx, table, count, count);
}

// Steps of one table between the skip tests and the closing actions. Returns
// true when the table ran to its end (it is then recorded a second time).
bool importTableBody(RunContext& ctx, const std::string& table, const ResumeState& resume) {
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
    const std::string sourceSql = sourceSqlName(table, sourceTable);

    int64_t count = 0;
    if (!countSourceRows(ctx, sourceSql, count)) {
        if (ctx.DevMode) ctx.host->appendLog("表[ " + sourceTable + " ]不存在。");
        return false;
    }
    if (count == 0) {
        ctx.host->appendLog("表[ " + sourceTable + " ]中无数据。");
        return false;
    }

    db::SourceQuery& source = *ctx.qrySourceData;
    source.close();
    source.setText("select * from " + sourceSql + " where 1<0 ");
    source.open();

    if (table == "am_sysparam") {
        MergeSystemParameters(ctx, sourceTable);
        return false;
    }
    if (table == "am_kind") {
        MergeKinds(ctx, table, sourceTable);
        return false;
    }

    emptyTargetTable(ctx, table);

    db::TargetQuery& target = *ctx.qryTargetData;
    target.close();
    target.setText("select * from " + table + " where 1<0");
    target.open();
    const bool binary = inspectColumns(ctx, sourceTable);

    ctx.host->appendLog("正在导入表[ " + display + " ]的数据");
    if (table == "p_orderattach") {
        CopyOrderAttachments(ctx, display, count);
    } else {
        copyRows(ctx, table, sourceSql, display, count, binary);
    }

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

}  // namespace

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
    bool completed = false;
    try {
        completed = importTableBody(ctx, table, resume);
    } catch (...) {
        // Nothing half-done may linger into a later table or command: unsent rows
        // are dropped and unread source rows are not buffered by the next command.
        ctx.qryTargetData->close();
        ctx.qrySourceData->close();
        try {
            setTriggers(ctx, table, "enable");
        } catch (const std::exception&) {
            // The table's own error is the one to report.
        }
        throw;
    }
    setTriggers(ctx, table, "enable");
    if (completed) recordTable(ctx, table);
}

void ResetTableSequence(RunContext& ctx, const std::string& table) {
    db::TargetQuery& query = *ctx.qryTargetTmp;
    query.close();
    query.setText(
        "select * from ( select t3.attname as fieldname,pg_get_serial_sequence('" + table +
        "', t3.attname) as sequencename from pg_constraint t1 inner join pg_class t2 on "
        "t1.conrelid = "
        "t2.oid inner join pg_attribute t3 on t3.attrelid = t2.oid and "
        "array_position(t1.conkey,t3.attnum) "
        "is not null inner join pg_tables t4 on t4.tablename = t2.relname where length(t3.attname) "
        "> 0 "
        "\tand t2.relname = '" +
        table +
        "' group by t1.conname,t4.tablename,t3.attname ) m where sequencename is not null ");
    query.open();
    if (query.eof()) {
        query.close();
        return;
    }
    const std::string field = core::toLowerAscii(query.asText("fieldname"));
    std::string sequence = query.asText("sequencename");
    if (sequence.find("public.") != std::string::npos)
        sequence = sequence.substr(sequence.find('.') + 1);
    query.close();
    ctx.conTarget->execute("select setval('" + sequence + "', (select max(" + field + ") from " +
                           table + "));");
}

}  // namespace engine
