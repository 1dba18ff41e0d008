#include <gtest/gtest.h>

#include <QCloseEvent>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>

#include "FormFixture.h"
#include "ServerFixture.h"
#include "app/gui/DropDownComboBox.h"
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

TEST(EndToEndTest, StartOnTheWindowMigratesTheAccountSet) {
    support::TdsTestServer server;
    fixtures::SourceAccountSet source("qxe2ewinsrc", kRows);
    fixtures::TargetAccountSet target("qxe2ewintgt");
    apptest::FormFixture f;
    gui::TCopyDataForm& w = *f.form;
    f.fill(asVector(apptest::sourceFields(server, source.name())),
           asVector(apptest::targetFields(target.name())));

    QSignalSpy finished(&w, &gui::TCopyDataForm::runFinished);
    w.btOK->click();
    ASSERT_TRUE(w.runActive()) << (f.messages.shown.empty() ? "" : f.messages.shown[0].text);
    // While the run owns the connections nothing else may reach them.
    EXPECT_FALSE(w.btOK->isEnabled());
    EXPECT_FALSE(w.Button1->isEnabled());
    EXPECT_FALSE(w.edtDataSource->isEnabled());
    EXPECT_FALSE(w.btnReStoreSource->isEnabled());
    QCloseEvent close;
    QCoreApplication::sendEvent(&w, &close);
    EXPECT_FALSE(close.isAccepted());

    ASSERT_TRUE(finished.wait(240000));
    EXPECT_TRUE(finished.at(0).at(0).toBool());
    ASSERT_FALSE(f.messages.shown.empty());
    EXPECT_EQ(f.messages.shown.back().text, "数据导入完成！");
    EXPECT_TRUE(w.btOK->isEnabled());
    EXPECT_TRUE(w.Button1->isEnabled());
    EXPECT_TRUE(w.Memo->toPlainText().endsWith(QString::fromUtf8("数据导入完成。")));
    EXPECT_EQ(w.runLogLines().back(), "数据导入完成。");
    EXPECT_EQ(count(target.connInfo(), "s_sale"), count(source.connInfo(), "s_sale"));
    EXPECT_NE(count(target.connInfo(), "s_sale"), "0");
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
