#include "Connections.h"

#include <exception>

#include "Messages.h"
#include "core/TextError.h"
#include "core/TextRules.h"
#include "db/ConnectionStrings.h"
#include "engine/RunContext.h"

namespace app {

namespace {
constexpr const char* kSourceProvider = "SQLOLEDB.1";
constexpr const char* kTargetProvider = "MSDASQL.1";

constexpr const char* kTargetListSql =
    "select datname as name from pg_database where lower(datname) like 'qx%_' order by datname";

struct FieldCheck {
    const std::string& text;
    const char* message;
};
}  // namespace

Connections::Connections(std::string programDir, core::MessageBox& messages)
    : programDir_(std::move(programDir)),
      messages_(messages),
      settings_(core::settingsPath(programDir_)) {
    conSource.setAfterConnect([this] { conSourceAfterConnect(); });
    conTarget.setAfterConnect([this] { conTargetAfterConnect(); });
}

void Connections::loadFields() {
    namespace k = core::settings;
    devMode_ = settings_.devMode();
    source_.server = settings_.read(k::kSourceServer);
    source_.port = settings_.read(k::kSourcePort);
    source_.user = settings_.read(k::kSourceUser);
    source_.password = devMode_ ? settings_.read(k::kSourcePassword) : std::string();
    target_.server = settings_.read(k::kTargetServer);
    target_.port = settings_.read(k::kTargetPort);
    target_.user = settings_.read(k::kTargetUser);
    target_.password = devMode_ ? settings_.read(k::kTargetPassword) : std::string();
}

void Connections::warn(const char* text) {
    messages_.show(core::kHintCaption, text, core::MessageIcon::Warning, core::MessageButtons::Ok);
}

void Connections::settingsNotSaved(const std::string& reason) {
    // The server was reached; only the settings could not be saved. Saying the
    // connection failed would send the operator after the wrong problem.
    warn(messages::kSettingsNotSaved);
    giveReason(reason);
}

void Connections::giveReason(const std::string& reason) {
    if (reportReason) reportReason(reason);
}

bool Connections::checkSourceServerFields() {
    namespace m = messages;
    const FieldCheck checks[] = {{source_.server, m::kSourceServerNotSet},
                                 {source_.port, m::kSourcePortNotSet},
                                 {source_.user, m::kSourceUserNotSet},
                                 {source_.password, m::kSourcePasswordNotSet}};
    for (const auto& check : checks) {
        if (core::trimBlanks(check.text).empty()) {
            warn(check.message);
            return false;
        }
    }
    return true;
}

bool Connections::checkTargetServerFields() {
    namespace m = messages;
    const FieldCheck checks[] = {{target_.server, m::kTargetServerNotSet},
                                 {target_.port, m::kTargetPortNotSet},
                                 {target_.user, m::kTargetUserNotSet},
                                 {target_.password, m::kTargetPasswordNotSet}};
    for (const auto& check : checks) {
        if (core::trimBlanks(check.text).empty()) {
            warn(check.message);
            return false;
        }
    }
    return true;
}

bool Connections::openSource(const std::string& database, const char* failureMessage) {
    using core::trimBlanks;
    std::string connectionString = db::SqlServerConnectionString(
        trimBlanks(source_.server), trimBlanks(source_.port), trimBlanks(source_.user),
        trimBlanks(source_.password), trimBlanks(database), kSourceProvider);
    try {
        conSource.open(connectionString);
    } catch (const core::SettingsWriteError& e) {
        settingsNotSaved(e.what());
        return false;
    } catch (const std::exception& e) {
        warn(failureMessage);
        giveReason(e.what());
        return false;
    }
    return true;
}

bool Connections::openTarget(const std::string& database, const char* failureMessage) {
    using core::trimBlanks;
    std::string connectionString = db::PgConnectionString(
        trimBlanks(target_.server), trimBlanks(target_.port), trimBlanks(target_.user),
        trimBlanks(target_.password), trimBlanks(database), kTargetProvider);
    try {
        conTarget.open(connectionString);
    } catch (const core::SettingsWriteError& e) {
        settingsNotSaved(e.what());
        return false;
    } catch (const std::exception& e) {
        warn(failureMessage);
        giveReason(e.what());
        return false;
    }
    return true;
}

bool Connections::openSourceMaster() {
    return checkSourceServerFields() && openSource("master", messages::kSourceListConnectFailed);
}

void Connections::appendSourceDatabaseNames(const std::function<void(const std::string&)>& add) {
    qrySourceTmp.setText(kSourceListSql);
    qrySourceTmp.open();
    for (; !qrySourceTmp.eof(); qrySourceTmp.next()) add(qrySourceTmp.asText("name"));
    qrySourceTmp.close();
}

bool Connections::listSourceDatabases(const std::function<void(const std::string&)>& add) {
    if (!openSourceMaster()) return false;
    appendSourceDatabaseNames(add);
    return true;
}

bool Connections::listTargetDatabases(const std::function<void(const std::string&)>& add) {
    if (!checkTargetServerFields()) return false;
    if (!openTarget("postgres", messages::kTargetListConnectFailed)) return false;
    qryTargetTmp.setText(kTargetListSql);
    qryTargetTmp.open();
    for (; !qryTargetTmp.eof(); qryTargetTmp.next()) add(qryTargetTmp.asText("name"));
    qryTargetTmp.close();
    return true;
}

void Connections::fillRunContext(engine::RunContext& ctx) {
    ctx.lendConnections(conSource, conTarget, qrySourceData, qrySourceTmp, qryTargetData,
                        qryTargetTmp);
    ctx.sourceDatabase = source_.database;
    ctx.targetDatabase = target_.database;
    ctx.programDir = programDir_;
    ctx.DevMode = devMode_;
}

void Connections::conSourceAfterConnect() {
    namespace k = core::settings;
    settings_.write(k::kSourceServer, source_.server);
    settings_.write(k::kSourcePort, source_.port);
    settings_.write(k::kSourceUser, source_.user);
    if (devMode_) settings_.write(k::kSourcePassword, source_.password);
}

void Connections::conTargetAfterConnect() {
    namespace k = core::settings;
    settings_.write(k::kTargetServer, target_.server);
    settings_.write(k::kTargetPort, target_.port);
    settings_.write(k::kTargetUser, target_.user);
    if (devMode_) settings_.write(k::kTargetPassword, target_.password);
}

void Connections::closeAll() noexcept {
    qrySourceData.close();
    qrySourceTmp.close();
    qryTargetData.close();
    qryTargetTmp.close();
    conSource.close();
    conTarget.close();
}

}  // namespace app
