#pragma once
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tds-testserver/ColumnPlan.h"

namespace tdsserver {

// What a simulated server command produced: an optional result set, INFO
// messages, and an error to report after the work was done (attach reports
// the log file it had to rebuild that way).
struct CommandOutcome {
    std::vector<ColumnPlan> columns;
    std::vector<std::vector<std::optional<std::string>>> rows;
    std::vector<std::string> infos;
    std::optional<std::pair<int, std::string>> trailingError;
};

// RESTORE FILELISTONLY, RESTORE DATABASE and sp_attach_single_file_db on the
// simulated files of BackupFiles. Messages are those of a server installed in
// Chinese. Failures throw SqlError.
class SqlServerCommands {
public:
    explicit SqlServerCommands(std::string conninfo) : conninfo_(std::move(conninfo)) {}

    // Runs statement when it is one of these commands; nothing otherwise.
    std::optional<CommandOutcome> tryRun(std::string_view statement);

    // The PostgreSQL database that a SQL Server database name denotes
    // (names compare case-insensitively), or nothing.
    static std::optional<std::string> findDatabase(const std::string& conninfo,
                                                   const std::string& name);

private:
    CommandOutcome fileListOnly(const std::string& backupPath);
    CommandOutcome restoreDatabase(const std::string& database, const std::string& backupPath,
                                   const std::string& options);
    CommandOutcome attach(const std::string& database, const std::string& dataPath);
    void createFromScript(const std::string& database, const std::string& imagePath);

    std::string conninfo_;
};

}  // namespace tdsserver
