#include "SqlText.h"

namespace source {

std::string sqlString(std::string_view text) {
    std::string out;
    out.reserve(text.size() + 2);
    out += '\'';
    for (char c : text) {
        out += c;
        if (c == '\'') out += '\'';
    }
    out += '\'';
    return out;
}

std::string DatabaseExistsSql(std::string_view name) {
    return "select 1 from sysdatabases where dbid>4 and lower(name) = lower(" + sqlString(name) +
           ")";
}

std::string FileListSql(std::string_view backupFile) {
    return "RESTORE FILELISTONLY FROM disk = " + sqlString(backupFile);
}

std::string RestoreSql(const std::string& name, std::string_view backupFile,
                       const std::string& directory, std::string_view dataFile,
                       const std::optional<std::string>& logFile) {
    std::string statement = "Restore Database " + name + " from disk = " + sqlString(backupFile) +
                            " with replace, \n Move " + sqlString(dataFile) + " To " +
                            sqlString(directory + name + ".mdf");
    if (logFile)
        statement +=
            "\n ,Move " + sqlString(*logFile) + " To " + sqlString(directory + name + ".ldf");
    return statement;
}

std::string AttachSql(std::string_view name, std::string_view dataFile) {
    return "Exec sp_attach_single_file_db @dbname =" + sqlString(name) +
           ",@physname = " + sqlString(dataFile);
}

}  // namespace source
