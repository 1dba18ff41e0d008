#include <gtest/gtest.h>

#include <QDir>
#include <QProcess>

#include "ServerFixture.h"
#include "app/Connections.h"
#include "app/TargetBackup.h"
#include "fixtures/ProgramDirectory.h"
#include "support/ScriptedMessageBox.h"

namespace {

TEST(TargetBackupTest, FileNameRule) {
    struct Case {
        const char* database;
        const char* dateTime;
        const char* name;
    } cases[] = {
        {"qxnew01", "2024-1-5 9:05:03", "qxnew01_202415_90503"},
        {"qxnew01 ", "2024-1-5 9:05:03", "qxnew01__202415_90503"},
        {"qx-new 01", "2024-01-05 09:05:03", "qxnew_01_20240105_090503"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.database);
        EXPECT_EQ(app::backupFileName(c.database, c.dateTime), c.name);
    }
    QDateTime when(QDate(2024, 1, 5), QTime(9, 5, 3));
    EXPECT_EQ(app::backupFileName("qxnew01", app::backupDateTimeText(when)),
              "qxnew01_20240105_090503");
    // Unpadded dates would give 2024115 for both.
    EXPECT_NE(app::backupDateTimeText(QDateTime(QDate(2024, 1, 15), QTime(1, 0))),
              app::backupDateTimeText(QDateTime(QDate(2024, 11, 5), QTime(1, 0))));
}

TEST(TargetBackupTest, PgDumpFromTheServerBinDirectoryWhenItIsThere) {
    fixtures::ProgramDirectory dir;
    dir.write("data/PG_VERSION", "15\n");
    dir.write("bin/pg_dump", "#!/bin/sh\n");
    EXPECT_EQ(app::TargetBackup::pgDumpProgram(dir.file("data/../bin")), "pg_dump")
        << "not executable";
    QFile(QString::fromStdString(dir.file("bin/pg_dump")))
        .setPermissions(QFile::ReadOwner | QFile::ExeOwner);
    EXPECT_EQ(app::TargetBackup::pgDumpProgram(dir.file("data/../bin")), dir.file("bin/pg_dump"));
    EXPECT_EQ(app::TargetBackup::pgDumpProgram(dir.file("nowhere")), "pg_dump");
}

TEST(TargetBackupTest, DumpsTheTargetIntoTheBackupDirectory) {
    fixtures::TargetAccountSet target("qxbackup");
    fixtures::ProgramDirectory dir;
    support::ScriptedMessageBox messages{support::ScriptedMessageBox::Unscripted::No};
    app::Connections connections(dir.path(), messages);
    connections.target() = apptest::targetFields(target.name());

    app::TargetBackup backup(connections);
    QDateTime when(QDate(2024, 1, 5), QTime(9, 5, 3));
    auto directory = backup.btnBackUpTargetClick(when);
    ASSERT_TRUE(directory) << (messages.shown.empty() ? "" : messages.shown[0].text);
    EXPECT_EQ(*directory, dir.file("backup"));
    std::string file = dir.file("backup/" + target.name() + "_20240105_090503");

    QProcess list;
    list.start("pg_restore", {"--list", QString::fromStdString(file)});
    ASSERT_TRUE(list.waitForFinished(60000));
    EXPECT_EQ(list.exitCode(), 0) << list.readAllStandardError().toStdString();
    EXPECT_TRUE(list.readAllStandardOutput().contains("TABLE public am_sysparam"));

    // The same second again replaces the file.
    ASSERT_TRUE(backup.btnBackUpTargetClick(when));
    EXPECT_EQ(QDir(QString::fromStdString(*directory)).entryList(QDir::Files).size(), 1);
}

TEST(TargetBackupTest, NoBackupDirectoryOrAFailingDumpIsAnError) {
    fixtures::TargetAccountSet target("qxbackupfail");
    fixtures::ProgramDirectory dir;
    support::ScriptedMessageBox messages{support::ScriptedMessageBox::Unscripted::No};
    app::Connections connections(dir.path(), messages);
    connections.target() = apptest::targetFields(target.name());
    // A file where the backup directory belongs cannot be a directory.
    dir.write("backup", "");
    app::TargetBackup backup(connections);
    try {
        backup.btnBackUpTargetClick(QDateTime::currentDateTime());
        ADD_FAILURE() << "no error without a backup directory";
    } catch (const std::runtime_error& e) {
        EXPECT_EQ(std::string(e.what()), "无法创建目录" + dir.file("backup"));
    }

    // A database that vanished between the connection check and the dump.
    QFile::remove(QString::fromStdString(dir.file("backup")));
    EXPECT_THROW(
        app::TargetBackup::runPgDump("pg_dump", apptest::conninfoValue("host", "127.0.0.1"),
                                     apptest::conninfoValue("port", "5432"),
                                     apptest::conninfoValue("user", "postgres"), "",
                                     "qx_no_such_database", dir.file("x")),
        std::runtime_error);
}

TEST(TargetBackupTest, AnUnreachableTargetOnlyShowsItsMessage) {
    fixtures::ProgramDirectory dir;
    support::ScriptedMessageBox messages{support::ScriptedMessageBox::Unscripted::No};
    app::Connections connections(dir.path(), messages);
    connections.target() = apptest::targetFields("qx_no_such_database");
    app::TargetBackup backup(connections);
    EXPECT_FALSE(backup.btnBackUpTargetClick(QDateTime::currentDateTime()));
    EXPECT_EQ(messages.texts(), std::vector<std::string>{"目标数据库链接失败，请检查相关设置！"});
    EXPECT_FALSE(QDir(QString::fromStdString(dir.file("backup"))).exists());
}

}  // namespace
