#include "RunReportText.h"

namespace app {

namespace {

std::string countText(int64_t count) { return count < 0 ? std::string() : std::to_string(count); }

// Tabs and line breaks inside a cell would break the copied table's shape.
std::string cell(std::string text) {
    for (char& c : text) {
        if (c == '\t' || c == '\n' || c == '\r') c = ' ';
    }
    return text;
}

std::string notesOf(const engine::TableResult& t, bool countsDiffer) {
    std::string notes;
    auto add = [&notes](const std::string& part) {
        if (!notes.empty()) notes += "；";
        notes += part;
    };
    if (!t.error.empty()) add(t.error);
    if (countsDiffer) add("目标行数与源行数不一致");
    for (const auto& c : t.changedColumns) {
        add("列 " + c.column + " 有 " + std::to_string(c.values) + " 个值被目标类型改变（例：键 " +
            c.exampleKey + "，发送 " + c.exampleSent + "，存为 " + c.exampleStored + "）");
    }
    if (!t.unfilledColumns.empty()) {
        std::string columns;
        for (const auto& c : t.unfilledColumns) columns += (columns.empty() ? "" : ", ") + c;
        add("取默认值的列：" + columns);
    }
    return notes;
}

}  // namespace

const char* statusLabel(engine::TableStatus status) {
    using engine::TableStatus;
    switch (status) {
        case TableStatus::Copied:
            return "已复制";
        case TableStatus::Changed:
            return "值有变化";
        case TableStatus::Merged:
            return "已合并";
        case TableStatus::Skipped:
            return "已跳过";
        case TableStatus::Absent:
            return "源无此表";
        case TableStatus::Empty:
            return "源表为空";
        case TableStatus::Failed:
            return "失败";
    }
    return "失败";
}

std::vector<ReportRow> reportRows(const engine::RunReport& report) {
    using engine::TableStatus;
    std::vector<ReportRow> rows;
    rows.reserve(report.tables.size());
    for (const auto& t : report.tables) {
        // Merged tables keep the target's own rows besides the source's.
        bool countsDiffer = t.status != TableStatus::Merged && t.sourceRows >= 0 &&
                            t.targetRows >= 0 && t.sourceRows != t.targetRows;
        ReportRow row;
        row.table = t.table;
        row.status = statusLabel(t.status);
        row.sourceRows = t.sourceRows;
        row.targetRows = t.targetRows;
        row.notes = notesOf(t, countsDiffer);
        row.warning = countsDiffer || t.status == TableStatus::Changed ||
                      t.status == TableStatus::Failed || !t.changedColumns.empty();
        rows.push_back(std::move(row));
    }
    return rows;
}

std::string reportText(const std::vector<ReportRow>& rows) {
    std::string text = "表名\t状态\t源行数\t目标行数\t说明\n";
    for (const auto& r : rows) {
        text += cell(r.table) + "\t" + r.status + "\t" + countText(r.sourceRows) + "\t" +
                countText(r.targetRows) + "\t" + cell(r.notes) + "\n";
    }
    return text;
}

std::string reportSummary(const std::vector<ReportRow>& rows) {
    int warnings = 0;
    std::vector<std::pair<std::string, int>> byStatus;
    for (const auto& r : rows) {
        if (r.warning) ++warnings;
        auto it = byStatus.begin();
        while (it != byStatus.end() && it->first != r.status) ++it;
        if (it == byStatus.end()) {
            byStatus.emplace_back(r.status, 1);
        } else {
            ++it->second;
        }
    }
    std::string text = "共 " + std::to_string(rows.size()) + " 张表";
    if (warnings > 0) text += "，" + std::to_string(warnings) + " 张需要核对";
    std::string parts;
    for (const auto& [status, count] : byStatus) {
        parts += (parts.empty() ? "" : "，") + status + " " + std::to_string(count);
    }
    if (!parts.empty()) text += "：" + parts;
    return text;
}

}  // namespace app
