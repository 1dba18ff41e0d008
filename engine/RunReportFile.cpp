#include "RunReportFile.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>

#include "RunError.h"

namespace engine {

namespace {

void appendJsonString(std::string& out, const std::string& text) {
    out.push_back('"');
    for (unsigned char c : text) {
        switch (c) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            default:
                if (c < 0x20) {
                    char escaped[8];
                    std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
                    out += escaped;
                } else {
                    out.push_back(static_cast<char>(c));
                }
        }
    }
    out.push_back('"');
}

void appendCount(std::string& out, int64_t count) {
    out += count < 0 ? "null" : std::to_string(count);
}

void appendChangedColumn(std::string& out, const ChangedColumn& column) {
    out += "{\"column\": ";
    appendJsonString(out, column.column);
    out += ", \"values\": " + std::to_string(column.values) + ", \"example\": {\"key\": ";
    appendJsonString(out, column.exampleKey);
    out += ", \"sent\": ";
    appendJsonString(out, column.exampleSent);
    out += ", \"stored\": ";
    appendJsonString(out, column.exampleStored);
    out += "}}";
}

void appendTable(std::string& out, const TableResult& table) {
    out += "  {\"table\": ";
    appendJsonString(out, table.table);
    out += ", \"status\": ";
    appendJsonString(out, statusName(table.status));
    out += ", \"source_rows\": ";
    appendCount(out, table.sourceRows);
    out += ", \"target_rows\": ";
    appendCount(out, table.targetRows);
    out += ", \"changed_columns\": [";
    for (size_t i = 0; i < table.changedColumns.size(); ++i) {
        if (i) out += ", ";
        appendChangedColumn(out, table.changedColumns[i]);
    }
    out += "], \"unfilled_columns\": [";
    for (size_t i = 0; i < table.unfilledColumns.size(); ++i) {
        if (i) out += ", ";
        appendJsonString(out, table.unfilledColumns[i]);
    }
    out += "]";
    if (!table.error.empty()) {
        out += ", \"error\": ";
        appendJsonString(out, table.error);
    }
    out += "}";
}

}  // namespace

std::string runReportJson(const RunReport& report) {
    std::string out = "[\n";
    for (size_t i = 0; i < report.tables.size(); ++i) {
        appendTable(out, report.tables[i]);
        out += i + 1 < report.tables.size() ? ",\n" : "\n";
    }
    out += "]\n";
    return out;
}

void saveRunReportJson(const std::string& path, const RunReport& report) {
    const std::string temporary = path + ".part";
    {
        std::ofstream file(temporary, std::ios::binary | std::ios::trunc);
        if (!file) throw RunError(path + ": " + std::strerror(errno));
        file << runReportJson(report);
        file.flush();
        if (!file) {
            int error = errno;
            std::remove(temporary.c_str());
            throw RunError(path + ": " + std::strerror(error));
        }
    }
    if (std::rename(temporary.c_str(), path.c_str()) != 0) {
        int error = errno;
        std::remove(temporary.c_str());
        throw RunError(path + ": " + std::strerror(error));
    }
}

}  // namespace engine
