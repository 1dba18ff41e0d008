#include "TargetBackup.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <exception>
#include <stdexcept>

#include "Connections.h"
#include "Messages.h"
#include "core/ProgramDir.h"
#include "core/TextRules.h"

namespace app {

namespace {
QString q(const std::string& s) { return QString::fromStdString(s); }
}  // namespace

std::string backupFileName(const std::string& databaseField, const std::string& dateTimeText) {
    std::string name;
    for (char c : databaseField + " " + dateTimeText) {
        if (c == '-' || c == ':') continue;
        name += c == ' ' ? '_' : c;
    }
    return name;
}

std::string backupDateTimeText(const QDateTime& when) {
    return when.toString("yyyy-MM-dd HH:mm:ss").toStdString();
}

std::string TargetBackup::pgDumpProgram(const std::string& serverBinDir) {
    QFileInfo candidate(q(core::joinPath(serverBinDir, "pg_dump")));
    if (!serverBinDir.empty() && candidate.isFile() && candidate.isExecutable()) {
        return QDir::cleanPath(candidate.absoluteFilePath()).toStdString();
    }
    return "pg_dump";
}

void TargetBackup::runPgDump(const std::string& program, const std::string& host,
                             const std::string& port, const std::string& user,
                             const std::string& password, const std::string& database,
                             const std::string& outputFile) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("PGHOST", q(host));
    env.insert("PGPORT", q(port));
    env.insert("PGUSER", q(user));
    env.insert("PGDATABASE", q(database));
    if (password.empty()) {
        env.remove("PGPASSWORD");
    } else {
        env.insert("PGPASSWORD", q(password));
    }
    QProcess dump;
    dump.setProcessEnvironment(env);
    dump.setProgram(q(program));
    dump.setArguments({"-F", "t", "-f", q(outputFile)});
    dump.start();
    if (!dump.waitForStarted(-1)) {
        throw std::runtime_error(program + ": " + dump.errorString().toStdString());
    }
    dump.waitForFinished(-1);
    if (dump.exitStatus() != QProcess::NormalExit || dump.exitCode() != 0) {
        std::string reason =
            QString::fromLocal8Bit(dump.readAllStandardError()).trimmed().toStdString();
        if (reason.empty()) reason = program + " exit status " + std::to_string(dump.exitCode());
        throw std::runtime_error(reason);
    }
}

std::optional<std::string> TargetBackup::btnBackUpTargetClick(const QDateTime& now) {
    const SideFields& t = connections_.target();
    if (!connections_.openTarget(t.database, messages::kTargetConnectFailed)) return std::nullopt;

    db::TargetQuery& query = connections_.qryTargetTmp;
    query.setText("show data_directory");
    query.open();
    std::string binDir = query.asText("data_directory") + "/../bin";
    query.close();

    std::string directory = core::joinPath(connections_.programDir(), "backup");
    QDir dir(q(directory));
    if (!dir.exists() && !QDir().mkdir(q(directory))) {
        throw std::runtime_error(std::string(messages::kCannotCreateDirectory) + directory);
    }

    std::string file =
        core::joinPath(directory, backupFileName(t.database, backupDateTimeText(now)));
    try {
        if (QFile::exists(q(file))) QFile::remove(q(file));
        using core::trimBlanks;
        runPgDump(pgDumpProgram(binDir), trimBlanks(t.server), trimBlanks(t.port),
                  trimBlanks(t.user), trimBlanks(t.password), trimBlanks(t.database), file);
    } catch (const std::exception& e) {
        connections_.messages().show(core::kHintCaption,
                                     std::string(messages::kBackupFailed) + e.what(),
                                     core::MessageIcon::Warning, core::MessageButtons::Ok);
        return std::nullopt;
    }
    return directory;
}

}  // namespace app
