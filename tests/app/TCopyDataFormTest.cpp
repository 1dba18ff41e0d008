#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

#include "FormFixture.h"
#include "app/gui/DropDownComboBox.h"
#include "core/Cp936.h"

namespace {

using apptest::FormFixture;

std::string text(const QLineEdit* e) { return e->text().toStdString(); }
bool shown(const QWidget* w) { return !w->isHidden(); }

TEST(TCopyDataFormTest, WithoutConfigTheFieldsShowTheDefaults) {
    FormFixture f;
    gui::TCopyDataForm& w = *f.form;
    EXPECT_EQ(w.windowTitle().toStdString(),
              "QuoxelMSSQL版财务直升PGSQL版Orbit系列产品数据导入工具V10.11");
    EXPECT_EQ(text(w.edtServerSource), "127.0.0.1");
    EXPECT_EQ(text(w.edtPortSource), "1433");
    EXPECT_EQ(text(w.edtUserSource), "sa");
    EXPECT_EQ(text(w.edtPWSource), "");
    EXPECT_EQ(text(w.edtServerTarget), "127.0.0.1");
    EXPECT_EQ(text(w.edtPortTarget), "5432");
    EXPECT_EQ(text(w.edtUserTarget), "postgres");
    EXPECT_EQ(text(w.edtPWTarget), "");
    EXPECT_EQ(w.edtDataSource->count(), 0);
    EXPECT_EQ(w.edtDataSource->currentText(), "");
    EXPECT_EQ(w.btOK->text().toStdString(), "开 始");
    EXPECT_EQ(w.Button1->text().toStdString(), "退出");
    EXPECT_EQ(w.btnRefSourceDBList->text().toStdString(), "获取源数据库列表     ");
    EXPECT_EQ(w.btnRefTargetDBList->text().toStdString(), "获取目标数据库列表      ");
    EXPECT_FALSE(shown(w.btnRefSourceDBList));
    EXPECT_FALSE(shown(w.btnRefTargetDBList));
    EXPECT_FALSE(shown(w.btnBackUpTarget));
    EXPECT_TRUE(shown(w.btnReStoreSource)) << "127.0.0.1 is local";
    EXPECT_EQ(w.edtPWSource->echoMode(), QLineEdit::Normal);
    EXPECT_TRUE(w.Memo->isReadOnly());
    EXPECT_EQ(w.size(), QSize(657, 687));
    EXPECT_TRUE(f.messages.shown.empty());
}

TEST(TCopyDataFormTest, PasswordsLoadOnlyInDevMode) {
    struct Case {
        const char* dev;
        bool filled;
    } cases[] = {{"Dev=T\r\n", true}, {"Dev=t\r\n", false}, {"", false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.dev);
        std::string ini = std::string("[QX]\r\n") + c.dev +
                          "[SOURCECONFIG]\r\nSQLIP=10.0.0.5\r\nSQLPW=s3cret\r\n"
                          "[TARGETCONFIG]\r\nSQLPort=6543\r\nSQLPW=pg秘密\r\n";
        FormFixture f(core::toCp936(ini));
        EXPECT_EQ(text(f.form->edtServerSource), "10.0.0.5");
        EXPECT_EQ(text(f.form->edtPortTarget), "6543");
        EXPECT_EQ(text(f.form->edtPWSource), c.filled ? "s3cret" : "");
        EXPECT_EQ(text(f.form->edtPWTarget), c.filled ? "pg秘密" : "");
        EXPECT_EQ(f.form->connections().devMode(), c.filled);
        EXPECT_FALSE(shown(f.form->btnReStoreSource)) << "10.0.0.5 is not this machine";
    }
}

TEST(TCopyDataFormTest, RestoreAndImportShowOnlyForALocalSourceServer) {
    FormFixture f({}, "192.168.7.9");
    gui::TCopyDataForm& w = *f.form;
    struct Case {
        const char* server;
        bool local;
    } cases[] = {{"  LOCALHOST  ", true},   {"127.0.0.2", false}, {" 192.168.7.9", true},
                 {"localhost\\SQL", false}, {"127.0.0.1", true},  {"", false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.server);
        w.edtServerSource->setText(c.server);
        EXPECT_EQ(shown(w.btnReStoreSource), c.local);
        EXPECT_EQ(shown(w.btnImportSource), c.local);
        // The target server never decides it.
        w.edtServerTarget->setText(c.local ? "10.1.1.1" : "127.0.0.1");
        EXPECT_EQ(shown(w.btnReStoreSource), c.local);
    }
}

TEST(TCopyDataFormTest, AServerChangeEmptiesOnlyThatListAndKeepsTheText) {
    FormFixture f;
    gui::TCopyDataForm& w = *f.form;
    w.edtDataSource->addItems({"qx001", "qxdemo"});
    w.edtDataTarget->addItems({"qxnew01", "qxnew02"});
    w.edtDataTarget->setCurrentIndex(1);
    w.edtPortTarget->setText("5433");
    EXPECT_EQ(w.edtDataTarget->count(), 2) << "a port change keeps the list";
    w.edtServerTarget->setText("10.0.0.9");
    EXPECT_EQ(w.edtDataTarget->count(), 0);
    EXPECT_EQ(w.edtDataTarget->currentText(), "qxnew02");
    EXPECT_EQ(w.edtDataSource->count(), 2);
    w.edtServerSource->setText("10.0.0.8");
    EXPECT_EQ(w.edtDataSource->count(), 0);
    EXPECT_EQ(w.edtDataSource->currentText(), "qx001");
}

TEST(TCopyDataFormTest, StartRefusesTheFirstEmptyField) {
    const std::vector<std::string> source{"127.0.0.1", "1433", "sa", "pw", "qx001"};
    const std::vector<std::string> target{"127.0.0.1", "5432", "postgres", "pw", "qxnew01"};
    const char* const messages[] = {
        "数据源服务器未设置！", "数据源端口未设置！",   "数据源用户未设置！", "数据源密码未设置！",
        "数据源数据库未设置！", "目标源服务器未设置！", "目标源端口未设置！", "目标源用户未设置！",
        "目标源密码未设置！",   "目标源数据库未设置！"};
    FormFixture f;
    for (int blank = 0; blank < 10; ++blank) {
        SCOPED_TRACE(messages[blank]);
        auto s = source;
        auto t = target;
        // Blanks only count as empty.
        (blank < 5 ? s[blank] : t[blank - 5]) = " \t ";
        f.fill(s, t);
        f.messages.shown.clear();
        ASSERT_TRUE(f.clickAndWait(f.form->btOK));
        ASSERT_EQ(f.messages.texts(), std::vector<std::string>{messages[blank]});
        EXPECT_EQ(f.messages.shown[0].caption, "提示");
        EXPECT_EQ(f.messages.shown[0].icon, core::MessageIcon::Warning);
        EXPECT_EQ(f.messages.shown[0].buttons, core::MessageButtons::Ok);
        EXPECT_FALSE(f.form->runActive());
    }
    f.fill({"", "", "", "", ""}, {"", "", "", "", ""});
    f.messages.shown.clear();
    ASSERT_TRUE(f.clickAndWait(f.form->btOK));
    EXPECT_EQ(f.messages.texts(), std::vector<std::string>{"数据源服务器未设置！"});
}

// A port on which nothing listens: the address is taken and released again.
std::string closedPort() {
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    bind(fd, reinterpret_cast<sockaddr*>(&address), size);
    getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size);
    close(fd);
    return std::to_string(ntohs(address.sin_port));
}

TEST(TCopyDataFormTest, AFailedConnectionShowsItsMessageAndSavesNothing) {
    const std::string before = "[SOURCECONFIG]\r\nSQLIP=127.0.0.1\r\nSQLPort=1433\r\n";
    FormFixture f(before);
    std::string port = closedPort();
    f.fill({"127.0.0.1", port, "sa", "pw", "qx001"}, {"127.0.0.1", port, "postgres", "pw", "qx"});
    ASSERT_TRUE(f.clickAndWait(f.form->btOK));
    EXPECT_EQ(f.messages.texts(), std::vector<std::string>{"源数据库链接失败，请检查相关设置！"});
    EXPECT_EQ(f.dir.read("config.ini"), before);

    f.messages.shown.clear();
    f.form->edtServerTarget->setText("127.0.0.1 ");  // empties the target list
    ASSERT_TRUE(f.dropDown(f.form->edtDataTarget));
    EXPECT_EQ(f.messages.texts(),
              std::vector<std::string>{"目标源数据库链接失败，请检查相关设置！"});
    EXPECT_EQ(f.dir.read("config.ini"), before);
}

TEST(TCopyDataFormTest, AMissingSkipListStopsTheWindow) {
    fixtures::ProgramDirectory dir;
    support::ScriptedMessageBox messages{support::ScriptedMessageBox::Unscripted::No};
    apptest::CancellingChooser chooser;
    gui::FormServices services{messages, chooser, {}, dir.path(), dir.file("loadtable.txt"), {}};
    EXPECT_THROW(gui::TCopyDataForm form(services), std::runtime_error);
}

}  // namespace
