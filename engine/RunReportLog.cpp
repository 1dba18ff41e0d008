#include "RunReportLog.h"

namespace engine {

namespace {

const char* statusText(TableStatus status) {
    switch (status) {
        case TableStatus::Copied:
            return "已复制，内容一致";
        case TableStatus::Changed:
            return "已复制，有字段的值被目标改变";
        case TableStatus::Merged:
            return "已合并";
        case TableStatus::Skipped:
            return "跳过";
        case TableStatus::Absent:
            return "源表不存在";
        case TableStatus::Empty:
            return "源表无数据";
        case TableStatus::Failed:
            return "失败";
    }
    return "失败";
}

}  // namespace

std::string reportLogLine(const TableResult& table) {
    std::string line = "表[ " + table.table + " ] " + statusText(table.status);
    if (table.sourceRows >= 0) line += "，源表 " + std::to_string(table.sourceRows) + " 条";
    if (table.targetRows >= 0) line += "，目标表 " + std::to_string(table.targetRows) + " 条";
    for (const ChangedColumn& column : table.changedColumns) {
        line += "；字段[ " + column.column + " ]有 " + std::to_string(column.values) +
                " 个值被改变，例如 键 " + column.exampleKey + "：发送 " + column.exampleSent +
                "，存储 " + column.exampleStored;
    }
    line += "。";
    return line;
}

}  // namespace engine
