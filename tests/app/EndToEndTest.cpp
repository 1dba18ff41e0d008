#include <gtest/gtest.h>

#include <QCloseEvent>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableWidget>
#include <algorithm>
#include <filesystem>

#include "FormFixture.h"
#include "ServerFixture.h"
#include "app/gui/DropDownComboBox.h"
#include "app/gui/RunProgressView.h"
#include "app/gui/RunReportDialog.h"
#include "core/Cp936.h"
#include "fixtures/PgRows.h"

namespace {

constexpr int kRows = 40;

std::vector<std::string> asVector(const app::SideFields& f) {
    return {f.server, f.port, f.user, f.password, f.database};
}

std::string count(const std::string& connInfo, const char* table) {
    return fixtures::queryValue(connInfo, std::string("select count(*) from ") + table);
}

std::vector<std::string> filesIn(const std::string& dir) {
    std::vector<std::string> names;
    std::error_code error;
    for (const auto& e : std::filesystem::directory_iterator(dir, error))
        names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

std::string confirmQuestion(const std::string& source, const std::string& target) {
    return "将把源账套 [" + source + "] 的数据导入目标账套 [" + target +
           "]，目标账套中的数据将被替换。是否继续？";
}

TEST(EndToEndTest, StartOnTheWindowMigratesTheAccountSet) {
    support::TdsTestServer server;
    fixtures::SourceAccountSet source("qxe2ewinsrc", kRows);
    fixtures::TargetAccountSet target("qxe2ewintgt");
    apptest::FormFixture f;
    gui::TCopyDataForm& w = *f.form;
    f.fill(asVector(apptest::sourceFields(server, source.name())),
           asVector(apptest::targetFields(target.name())));
    const std::string before = fixtures::dumpPublicTables(target.connInfo());

    // No at the question that names both sides: back at the window, nothing changed.
    f.messages.answers = {core::MessageAnswer::No};
    ASSERT_TRUE(f.clickAndWait(w.btOK));
    ASSERT_EQ(f.messages.texts(),
              std::vector<std::string>{confirmQuestion(source.name(), target.name())});
    EXPECT_EQ(f.messages.shown[0].buttons, core::MessageButtons::YesNo);
    EXPECT_FALSE(w.runActive());
    EXPECT_TRUE(w.btOK->isEnabled());
    EXPECT_EQ(fixtures::dumpPublicTables(target.connInfo()), before);
    EXPECT_TRUE(filesIn(f.dir.file("log")).empty());

    f.messages.shown.clear();
    f.messages.answers = {core::MessageAnswer::Yes};
    QSignalSpy finished(&w, &gui::TCopyDataForm::runFinished);
    ASSERT_TRUE(f.clickAndWait(w.btOK));
    ASSERT_TRUE(w.runActive()) << (f.messages.shown.empty() ? "" : f.messages.shown[0].text);
    // While the run owns the connections nothing else may reach them.
    EXPECT_FALSE(w.btOK->isEnabled());
    EXPECT_FALSE(w.edtDataSource->isEnabled());
    EXPECT_FALSE(w.btnReStoreSource->isEnabled());
    // Exit and the close box ask; No lets the run go on.
    EXPECT_TRUE(w.Button1->isEnabled());
    QCloseEvent close;
    QCoreApplication::sendEvent(&w, &close);
    EXPECT_FALSE(close.isAccepted());
    EXPECT_EQ(f.messages.shown.back().text, "正在导入数据，是否中止？");

    ASSERT_TRUE(finished.wait(240000));
    EXPECT_TRUE(finished.at(0).at(0).toBool());
    ASSERT_FALSE(f.messages.shown.empty());
    EXPECT_EQ(f.messages.shown.back().text, "数据导入完成！");
    EXPECT_TRUE(w.btOK->isEnabled());
    EXPECT_TRUE(w.Memo->toPlainText().endsWith(QString::fromUtf8("数据导入完成。")));
    EXPECT_EQ(w.runLogLines().back(), "数据导入完成。");
    EXPECT_EQ(count(target.connInfo(), "s_sale"), count(source.connInfo(), "s_sale"));
    EXPECT_NE(count(target.connInfo(), "s_sale"), "0");

    // Progress reached its end; the report lists every table of the target.
    std::vector<std::string> tables = fixtures::queryRows(
        target.connInfo(), "select tablename from pg_tables where schemaname = 'public'");
    EXPECT_EQ(w.runProgress->bar()->value(), w.runProgress->bar()->maximum());
    EXPECT_EQ(w.runProgress->tablesDone(), static_cast<int>(tables.size()));
    ASSERT_NE(w.reportDialog(), nullptr);
    QTableWidget* report = w.reportDialog()->table();
    std::vector<std::string> reported;
    for (int r = 0; r < report->rowCount(); ++r)
        reported.push_back(report->item(r, 0)->text().toStdString());
    std::sort(tables.begin(), tables.end());
    std::sort(reported.begin(), reported.end());
    EXPECT_EQ(reported, tables);

    // Saved beside the run log, under its name.
    std::vector<std::string> files = filesIn(f.dir.file("log"));
    ASSERT_EQ(files.size(), 3u) << ::testing::PrintToString(files);
    std::string stem = files[0].substr(0, files[0].size() - 4);
    EXPECT_EQ(files, (std::vector<std::string>{stem + ".log", stem + ".report.json",
                                               stem + ".report.txt"}));
    std::string text = f.dir.read("log/" + stem + ".report.txt");
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), static_cast<long>(tables.size()) + 1);
}

// Stopped from the window after its first table, the run keeps its resume state
// and the window closes; resumed, it ends where an uninterrupted run ends.
TEST(EndToEndTest, AStoppedRunResumesToTheSameTarget) {
    support::TdsTestServer server;
    fixtures::SourceAccountSet source("qxe2estopsrc", kRows);
    fixtures::TargetAccountSet whole("qxe2ewhole");
    fixtures::TargetAccountSet stopped("qxe2estopped");
    const std::vector<std::string> sourceFields =
        asVector(apptest::sourceFields(server, source.name()));

    {
        apptest::FormFixture f;
        f.fill(sourceFields, asVector(apptest::targetFields(whole.name())));
        f.messages.answers = {core::MessageAnswer::Yes};
        QSignalSpy finished(f.form.get(), &gui::TCopyDataForm::runFinished);
        ASSERT_TRUE(f.clickAndWait(f.form->btOK));
        ASSERT_TRUE(finished.wait(240000));
        ASSERT_TRUE(finished.at(0).at(0).toBool());
    }

    apptest::FormFixture f;
    gui::TCopyDataForm& w = *f.form;
    w.show();
    f.fill(sourceFields, asVector(apptest::targetFields(stopped.name())));
    // Start: Yes; stop: Yes.
    f.messages.answers = {core::MessageAnswer::Yes, core::MessageAnswer::Yes};
    bool exitPressed = false;
    QObject::connect(w.runProgress->bar(), &QProgressBar::valueChanged, &w, [&] {
        if (exitPressed || w.runProgress->tablesDone() < 1) return;
        exitPressed = true;
        QMetaObject::invokeMethod(w.Button1, &QPushButton::click, Qt::QueuedConnection);
    });
    QSignalSpy finished(&w, &gui::TCopyDataForm::runFinished);
    ASSERT_TRUE(f.clickAndWait(w.btOK));
    ASSERT_TRUE(finished.wait(240000));
    ASSERT_TRUE(exitPressed) << "no table was reported done";
    EXPECT_EQ(f.messages.texts()[1], "正在导入数据，是否中止？");
    EXPECT_EQ(w.lastRun().outcome, engine::RunOutcome::Interrupted);
    EXPECT_FALSE(w.isVisible()) << "the window closes once the run has ended";
    const std::string section = "[" + source.name() + "To" + stopped.name() + "]";
    std::string ini = core::fromCp936(f.dir.read("config.ini"));
    size_t at = ini.find(section);
    ASSERT_NE(at, std::string::npos) << ini;
    EXPECT_EQ(ini.find("HistoryStep=00", at), std::string::npos) << ini;
    EXPECT_EQ(fixtures::queryValue(stopped.connInfo(),
                                   "select count(*) from pg_trigger where tgenabled = 'D'"),
              "0")
        << "triggers are enabled again";
    EXPECT_EQ(filesIn(f.dir.file("log")).size(), 3u) << "log and report saved";

    // Start again: Yes, then Yes to resume.
    w.show();
    f.messages.shown.clear();
    f.messages.answers = {core::MessageAnswer::Yes, core::MessageAnswer::Yes};
    QSignalSpy resumed(&w, &gui::TCopyDataForm::runFinished);
    ASSERT_TRUE(f.clickAndWait(w.btOK));
    ASSERT_TRUE(resumed.wait(240000));
    EXPECT_TRUE(resumed.at(0).at(0).toBool()) << ::testing::PrintToString(f.messages.texts());
    EXPECT_EQ(f.messages.texts()[1], "检测到导入记录，是否继续上一次的导入作业？");
    EXPECT_EQ(fixtures::dumpPublicTables(stopped.connInfo()),
              fixtures::dumpPublicTables(whole.connInfo()));
}

struct CliResult {
    int status;
    std::string out;
    std::string err;
};

CliResult runCli(const fixtures::ProgramDirectory& dir, const QStringList& args) {
    QProcess cli;
    cli.setWorkingDirectory(QString::fromStdString(dir.path()));
    cli.start(LIR2ORBIT_CLI,
              QStringList{"migrate", "--home", QString::fromStdString(dir.path())} + args);
    cli.closeWriteChannel();
    if (!cli.waitForFinished(240000)) return {-1, "", "timed out"};
    return {cli.exitCode(), cli.readAllStandardOutput().toStdString(),
            cli.readAllStandardError().toStdString()};
}

QStringList fieldArgs(const std::string& side, const app::SideFields& f) {
    QStringList args;
    auto add = [&](const char* name, const std::string& value) {
        args << QString::fromStdString("--" + side + "-" + name) << QString::fromStdString(value);
    };
    add("server", f.server);
    add("port", f.port);
    add("user", f.user);
    add("password", f.password);
    add("db", f.database);
    return args;
}

TEST(EndToEndTest, CommandLineMigratesAndReportsByExitStatus) {
    support::TdsTestServer server;
    fixtures::SourceAccountSet source("qxe2eclisrc", kRows);
    fixtures::TargetAccountSet target("qxe2eclitgt");
    fixtures::ProgramDirectory dir;
    dir.write("loadtable.txt", "");
    app::SideFields s = apptest::sourceFields(server, source.name());
    app::SideFields t = apptest::targetFields(target.name());

    // A refused check: the target database does not exist.
    app::SideFields missing = t;
    missing.database = "qx_no_such_target";
    CliResult refused = runCli(dir, fieldArgs("source", s) + fieldArgs("target", missing));
    EXPECT_EQ(refused.status, 3) << refused.err;
    EXPECT_NE(refused.err.find("目标数据库链接失败，请检查相关设置！"), std::string::npos)
        << refused.err;

    // A recorded earlier run: the question is asked and the flag answers it.
    dir.write("config.ini", "[" + s.database + "To" + t.database + "]\r\nHistoryStep=11\r\n");
    CliResult done = runCli(dir, fieldArgs("source", s) + fieldArgs("target", t) << "--no-resume");
    EXPECT_NE(done.err.find("检测到导入记录，是否继续上一次的导入作业？\nn\n"), std::string::npos)
        << done.err;
    EXPECT_EQ(done.status, 0) << done.err << done.out;
    EXPECT_NE(done.err.find("数据导入完成！"), std::string::npos) << done.err;
    EXPECT_NE(done.out.find("数据导入完成。"), std::string::npos) << done.out;
    EXPECT_EQ(done.out.find('\r'), std::string::npos) << "a pipe gets plain lines";
    EXPECT_EQ(count(target.connInfo(), "s_sale"), count(source.connInfo(), "s_sale"));
    // The connection settings were saved as the window saves them.
    std::string ini = core::fromCp936(dir.read("config.ini"));
    EXPECT_NE(ini.find("SQLPort=" + s.port), std::string::npos) << ini;
    EXPECT_NE(ini.find("HistoryStep=00"), std::string::npos) << ini;
}

}  // namespace
