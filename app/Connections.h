#pragma once

#include <functional>
#include <string>

#include "SideFields.h"
#include "core/MessageBox.h"
#include "core/Settings.h"
#include "db/SourceConnection.h"
#include "db/SourceQuery.h"
#include "db/TargetConnection.h"
#include "db/TargetQuery.h"

namespace engine {
struct RunContext;
}

namespace app {

// The source databases offered for a run, as the source server lists them.
inline constexpr const char* kSourceListSql =
    "select name as name from sysdatabases where dbid>4 and lower(name) like 'qx%_' order by name";

// The two connections of a front end with their queries, the field texts that
// feed them and the settings file they are saved to. Every opening builds its
// string from the trimmed fields; every successful opening saves that side's
// server, port and user (and the password in dev mode) as typed. Lives on the
// front end's main thread; during a run only the run touches the connections.
class Connections {
public:
    Connections(std::string programDir, core::MessageBox& messages);
    Connections(const Connections&) = delete;
    Connections& operator=(const Connections&) = delete;

    // Reads the dev-mode flag and both sides' fields from config.ini (passwords
    // only in dev mode); the database fields start empty.
    void loadFields();

    SideFields& source() { return source_; }
    SideFields& target() { return target_; }
    const SideFields& source() const { return source_; }
    const SideFields& target() const { return target_; }
    bool devMode() const { return devMode_; }
    const std::string& programDir() const { return programDir_; }
    core::Settings& settings() { return settings_; }
    core::MessageBox& messages() { return messages_; }

    // Shows the "not set" message of the first empty (trimmed) server, port, user
    // or password field of that side; false when one was empty.
    bool checkSourceServerFields();
    bool checkTargetServerFields();

    // Open a connection: close, build the string from the trimmed fields with
    // `database`, open. On any failure shows `failureMessage`, hands the server's or
    // system's own text to reportReason and returns false; when the connection
    // opened but config.ini could not be written, shows "设置文件无法保存！" instead
    // (with the file's path and the system's reason as the reason).
    bool openSource(const std::string& database, const char* failureMessage);
    bool openTarget(const std::string& database, const char* failureMessage);

    // Source on "master", as the database list and the restore/import dialogs do.
    bool openSourceMaster();

    // The database lists: check the fields, open on the system database, and
    // hand every account-set name to `add` in the server's order. False when a
    // field or the connection refused; a failing statement throws.
    bool listSourceDatabases(const std::function<void(const std::string&)>& add);
    bool listTargetDatabases(const std::function<void(const std::string&)>& add);
    // Only the list statement on the open source connection.
    void appendSourceDatabaseNames(const std::function<void(const std::string&)>& add);

    // Points a run at these connections and queries and the database texts.
    void fillRunContext(engine::RunContext& ctx);

    void conSourceAfterConnect();
    void conTargetAfterConnect();

    // Closes both connections (the window's destroy).
    void closeAll() noexcept;

    // Told the reason behind each fixed failure message (the server's or system's
    // own text), right after the message was shown. May be empty.
    std::function<void(const std::string& reason)> reportReason;

    db::SourceConnection conSource;
    db::TargetConnection conTarget;
    db::SourceQuery qrySourceData{conSource};
    db::SourceQuery qrySourceTmp{conSource};
    db::TargetQuery qryTargetData{conTarget};
    db::TargetQuery qryTargetTmp{conTarget};

private:
    void warn(const char* text);
    void giveReason(const std::string& reason);
    void settingsNotSaved(const std::string& reason);

    std::string programDir_;
    core::MessageBox& messages_;
    core::Settings settings_;
    bool devMode_ = false;
    SideFields source_;
    SideFields target_;
};

}  // namespace app
