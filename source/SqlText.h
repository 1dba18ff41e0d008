#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace source {

// `text` as a T-SQL string literal: in single quotes, each quote inside doubled,
// so a path such as /data/o'brien/ stays one literal.
std::string sqlString(std::string_view text);

// The statements the restore and attach flows send to the source server, built
// only here.
// Whether a user database named `name` exists (case-insensitive).
std::string DatabaseExistsSql(std::string_view name);
// The files a backup set holds, data file first.
std::string FileListSql(std::string_view backupFile);
// Restores `backupFile` as `name`, its data file (and its log file, when the set
// has one) moved into `directory` as name.mdf (and name.ldf).
std::string RestoreSql(const std::string& name, std::string_view backupFile,
                       const std::string& directory, std::string_view dataFile,
                       const std::optional<std::string>& logFile);
std::string AttachSql(std::string_view name, std::string_view dataFile);

}  // namespace source
