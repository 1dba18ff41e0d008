#include "tds-testserver/SqlServerCommands.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>

#include "tds-testserver/BackupFiles.h"
#include "tds-testserver/PgConnection.h"
#include "tds-testserver/ScriptLoader.h"
#include "tds-testserver/TdsError.h"

namespace tdsserver {
namespace {

using std::regex_constants::icase;
namespace fs = std::filesystem;

std::string unquote(const std::string& literal) {
    std::string out;
    for (std::size_t i = 0; i < literal.size(); ++i) {
        out += literal[i];
        if (literal[i] == '\'' && i + 1 < literal.size() && literal[i + 1] == '\'') ++i;
    }
    return out;
}

// The operating-system part of a message, as a Chinese Windows words it.
std::string osError(int error) {
    switch (error) {
        case ENOENT:
            return "2(系统找不到指定的文件。)";
        case ENOTDIR:
            return "3(系统找不到指定的路径。)";
        case EACCES:
        case EPERM:
        case EISDIR:
            return "5(拒绝访问。)";
        default:
            return std::to_string(error) + "(" + std::strerror(error) + ")";
    }
}

// Opens a file for reading; errno-based failure text for the caller's message.
bool openForReading(const std::string& path, std::ifstream& in, int& error) {
    std::error_code ec;
    if (!fs::exists(path, ec)) {
        error = ENOENT;
        return false;
    }
    if (!fs::is_regular_file(path, ec)) {
        error = EISDIR;
        return false;
    }
    in.open(path, std::ios::binary);
    if (!in) {
        error = errno ? errno : EACCES;
        return false;
    }
    return true;
}

std::string cannotOpenBackup(const std::string& path, int error) {
    return "无法打开备份设备 '" + path + "'。出现操作系统错误 " + osError(error) + "。";
}

// Opens a backup set and reads its header, failing as the server does.
ImageHeader openBackupSet(const std::string& backupPath, std::ifstream& in) {
    int error = 0;
    if (!openForReading(backupPath, in, error))
        throw SqlError(3201, cannotOpenBackup(backupPath, error));
    try {
        return BackupFiles::readHeader(in, ImageKind::BackupSet);
    } catch (const std::exception&) {
        throw SqlError(3241,
                       "设备 '" + backupPath + "' 上的介质簇的格式不正确，无法处理此介质簇。");
    }
}

ColumnPlan textColumn(const char* name, std::uint16_t maxBytes) {
    ColumnPlan plan = ColumnPlan::forPostgres(name, 0, -1, "nvarchar", false);
    plan.maxLength = maxBytes;
    return plan;
}

void dropDatabase(PgConnection& admin, const std::string& name) {
    admin.exec("drop database if exists " + PgConnection::quoteIdentifier(name) + " with (force)");
}

}  // namespace

std::optional<std::string> SqlServerCommands::findDatabase(const std::string& conninfo,
                                                           const std::string& name) {
    PgConnection admin(conninfo, "postgres");
    PgResult found = admin.exec(
        "select datname from pg_database where lower(datname) = lower($1) "
        "order by datname = $1 desc limit 1",
        {name});
    if (found.rows() == 0) return std::nullopt;
    return found.value(0, 0);
}

std::optional<CommandOutcome> SqlServerCommands::tryRun(std::string_view statementView) {
    const std::string statement(statementView);
    static const std::string literal = R"(N?'((?:[^']|'')*)')";
    static const std::regex fileList(
        R"(^\s*restore\s+filelistonly\s+from\s+disk\s*=\s*)" + literal + R"(\s*;?\s*$)", icase);
    static const std::regex restore(
        R"(^\s*restore\s+database\s+(\[[^\]]+\]|\S+)\s+from\s+disk\s*=\s*)" + literal +
            R"(\s*(?:with\s+([\s\S]*?))?\s*;?\s*$)",
        icase);
    static const std::regex attachCall(
        R"(^\s*exec(?:ute)?\s+(?:dbo\.)?sp_attach_single_file_db\s+(?:@dbname\s*=\s*)?)" + literal +
            R"(\s*,\s*(?:@physname\s*=\s*)?)" + literal + R"(\s*;?\s*$)",
        icase);
    std::smatch m;
    if (std::regex_match(statement, m, fileList)) return fileListOnly(unquote(m[1]));
    if (std::regex_match(statement, m, restore)) {
        std::string name = m[1];
        if (name.size() > 2 && name.front() == '[') name = name.substr(1, name.size() - 2);
        return restoreDatabase(name, unquote(m[2]), m[3]);
    }
    if (std::regex_match(statement, m, attachCall)) return attach(unquote(m[1]), unquote(m[2]));
    return std::nullopt;
}

CommandOutcome SqlServerCommands::fileListOnly(const std::string& backupPath) {
    std::ifstream in;
    const ImageHeader header = openBackupSet(backupPath, in);
    CommandOutcome outcome;
    outcome.columns = {textColumn("LogicalName", 256), textColumn("PhysicalName", 520),
                       textColumn("Type", 2), textColumn("FileGroupName", 256)};
    outcome.rows.push_back({header.data.logicalName, header.data.physicalPath, std::string("D"),
                            std::string("PRIMARY")});
    outcome.rows.push_back(
        {header.log.logicalName, header.log.physicalPath, std::string("L"), std::nullopt});
    return outcome;
}

CommandOutcome SqlServerCommands::restoreDatabase(const std::string& database,
                                                  const std::string& backupPath,
                                                  const std::string& options) {
    static const std::regex move(R"(\bmove\s+N?'((?:[^']|'')*)'\s+to\s+N?'((?:[^']|'')*)')", icase);
    static const std::regex replace(R"(\breplace\b)", icase);
    std::map<std::string, std::string> moves;
    for (auto it = std::sregex_iterator(options.begin(), options.end(), move);
         it != std::sregex_iterator(); ++it)
        moves[unquote((*it)[1])] = unquote((*it)[2]);
    const bool withReplace = std::regex_search(std::regex_replace(options, move, ""), replace);

    std::ifstream in;
    const ImageHeader header = openBackupSet(backupPath, in);
    for (const auto& [logical, path] : moves)
        if (logical != header.data.logicalName && logical != header.log.logicalName)
            throw SqlError(3234, "逻辑文件 '" + logical + "' 不是数据库 '" + database +
                                     "' 的一部分。请使用 RESTORE FILELISTONLY 来列出逻辑文件名。");
    auto placed = [&](const DatabaseFile& file) {
        auto it = moves.find(file.logicalName);
        return it == moves.end() ? file.physicalPath : it->second;
    };
    const std::string dataPath = placed(header.data), logPath = placed(header.log);

    if (auto existing = findDatabase(conninfo_, database)) {
        if (!withReplace)
            throw SqlError(3154, "备份集中的数据库备份与现有的 '" + *existing + "' 数据库不同。");
        PgConnection admin(conninfo_, "postgres");
        dropDatabase(admin, *existing);
    }

    // The data file: the backup's script under a data file header.
    {
        std::ofstream out(dataPath, std::ios::binary | std::ios::trunc);
        if (!out)
            throw SqlError(5123, "尝试打开或创建物理文件 '" + dataPath +
                                     "' 时，CREATE FILE 遇到操作系统错误 " + osError(errno) + "。");
        ImageHeader dataHeader{ImageKind::DataFile,
                               {header.data.logicalName, dataPath},
                               {header.log.logicalName, logPath}};
        BackupFiles::writeHeader(out, dataHeader);
        out << in.rdbuf();
        out.close();
        if (!out)
            throw SqlError(3013, "RESTORE DATABASE 正在异常终止。无法写入 '" + dataPath + "'。");
    }
    try {
        BackupFiles::writeLogFile(logPath, database);
    } catch (const std::system_error& e) {
        throw SqlError(5123, "尝试打开或创建物理文件 '" + logPath +
                                 "' 时，CREATE FILE 遇到操作系统错误 " + osError(e.code().value()) +
                                 "。");
    }
    createFromScript(database, dataPath);

    CommandOutcome outcome;
    outcome.infos.push_back("已为数据库 '" + database + "'，文件 '" + header.data.logicalName +
                            "' (位于文件 1 上)处理了页。");
    outcome.infos.push_back("RESTORE DATABASE 成功处理了数据库 '" + database + "'。");
    return outcome;
}

CommandOutcome SqlServerCommands::attach(const std::string& database, const std::string& dataPath) {
    std::ifstream in;
    int error = 0;
    if (!openForReading(dataPath, in, error))
        throw SqlError(5120, "无法打开物理文件 \"" + dataPath + "\"。操作系统错误 " +
                                 osError(error).substr(0, osError(error).find('(')) + ": \"" +
                                 osError(error) + "\"。");
    ImageHeader header;
    try {
        header = BackupFiles::readHeader(in, ImageKind::DataFile);
    } catch (const std::exception&) {
        throw SqlError(5172, "文件 '" + dataPath + "' 的标头不是有效的数据库文件标头。");
    }
    in.close();
    if (auto existing = findDatabase(conninfo_, database))
        throw SqlError(1801, "数据库 '" + *existing + "' 已存在。请选择其他数据库名称。");
    createFromScript(database, dataPath);

    CommandOutcome outcome;
    std::error_code ec;
    if (!fs::exists(header.log.physicalPath, ec)) {
        // Attaching without the log: the server makes a new one beside the data
        // file and says so in an error message naming both log files.
        const std::string newLog =
            (fs::path(dataPath).parent_path() / (database + "_log.LDF")).string();
        try {
            BackupFiles::writeLogFile(newLog, database);
        } catch (const std::system_error&) {
        }
        outcome.trailingError =
            std::make_pair(5105, "文件激活失败。物理文件名称\"" + header.log.physicalPath +
                                     "\"可能不正确。\n已创建新的日志文件 '" + newLog + "'。");
    }
    return outcome;
}

void SqlServerCommands::createFromScript(const std::string& database,
                                         const std::string& imagePath) {
    PgConnection admin(conninfo_, "postgres");
    admin.exec("create database " + PgConnection::quoteIdentifier(database));
    try {
        std::ifstream in(imagePath, std::ios::binary);
        BackupFiles::readHeader(in, ImageKind::DataFile);
        PgConnection target(conninfo_, database);
        ScriptLoader::load(in, target);
    } catch (const std::exception& e) {
        dropDatabase(admin, database);
        throw SqlError(3013, std::string("数据库 '") + database + "' 的恢复异常终止：" + e.what());
    }
}

}  // namespace tdsserver
