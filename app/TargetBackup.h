#pragma once

#include <QDateTime>
#include <optional>
#include <string>

namespace app {

class Connections;

// The dump's file name: the target database field as typed, a blank and the
// date-time text, then every "-" and ":" removed and every blank made "_".
std::string backupFileName(const std::string& databaseField, const std::string& dateTimeText);

// The date-time text of a backup name. Zero-padded, so two different moments
// never give the same name (2024-1-15 and 2024-11-5 would collide otherwise).
std::string backupDateTimeText(const QDateTime& when);

// Dumps the target account set with pg_dump (tar format) into "backup" under the
// program directory. Runs on the main thread and blocks until the dump ends; must
// not run while a run uses the target connection.
class TargetBackup {
public:
    explicit TargetBackup(Connections& connections) : connections_(connections) {}

    // The connection failure and a failed dump are shown as "提示" boxes (the dump
    // with pg_dump's own message); nullopt then. A failing "show data_directory"
    // or a backup directory that cannot be created throw for the caller's
    // standard error box. On success returns the backup directory to open.
    std::optional<std::string> btnBackUpTargetClick(const QDateTime& now);

    // pg_dump from the server's bin directory when it is there, else from PATH.
    static std::string pgDumpProgram(const std::string& serverBinDir);

    // Runs pg_dump without a shell: the connection goes through the environment
    // (PGHOST, PGPORT, PGUSER, PGPASSWORD, PGDATABASE), so no value is ever read
    // as an option. Throws std::runtime_error with pg_dump's message on failure.
    static void runPgDump(const std::string& program, const std::string& host,
                          const std::string& port, const std::string& user,
                          const std::string& password, const std::string& database,
                          const std::string& outputFile);

private:
    Connections& connections_;
};

}  // namespace app
