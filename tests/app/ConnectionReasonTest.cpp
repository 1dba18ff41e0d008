#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QCloseEvent>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QGroupBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <filesystem>
#include <functional>

#include "FormFixture.h"
#include "ServerFixture.h"
#include "app/gui/DropDownComboBox.h"

namespace {

using apptest::FormFixture;

std::vector<std::string> asVector(const app::SideFields& f) {
    return {f.server, f.port, f.user, f.password, f.database};
}

// Waits (bounded) until the log view shows a line holding `part`.
bool logShows(const gui::TCopyDataForm& w, const std::string& part) {
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 30000) {
        if (w.Memo->toPlainText().contains(QString::fromStdString(part))) return true;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    }
    return false;
}

// After each fixed failure box the log view names the server's or system's reason.
TEST(ConnectionReasonTest, TheLogNamesWhatTheBoxCannot) {
    support::TdsTestServer server;
    app::SideFields s = apptest::sourceFields(server, "qx_any");
    app::SideFields t = apptest::targetFields("qx_any");
    struct Case {
        const char* name;
        app::SideFields source;
        app::SideFields target;
        bool settingsUnwritable;
        std::function<bool(FormFixture&)> act;
        const char* message;
        std::string reason;
    } cases[] = {
        {"wrong source password at Start",
         {s.server, s.port, s.user, "wrong", s.database},
         t,
         false,
         [](FormFixture& f) { return f.clickAndWait(f.form->btOK); },
         "源数据库链接失败，请检查相关设置！",
         "Login failed for user '" + s.user + "'"},
        {"unknown target user in the list",
         s,
         {t.server, t.port, "qx_nobody", t.password, ""},
         false,
         [](FormFixture& f) { return f.dropDown(f.form->edtDataTarget); },
         "目标源数据库链接失败，请检查相关设置！",
         "\"qx_nobody\" does not exist"},
        {"settings file that cannot be written", s, t, true,
         [](FormFixture& f) { return f.dropDown(f.form->edtDataSource); },
         // The server was reached: not a connection failure.
         "设置文件无法保存！", "config.ini"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FormFixture f;
        // Even root cannot write a file where a directory stands.
        if (c.settingsUnwritable) std::filesystem::create_directory(f.dir.file("config.ini"));
        f.fill(asVector(c.source), asVector(c.target));
        ASSERT_TRUE(c.act(f));
        EXPECT_EQ(f.messages.texts(), std::vector<std::string>{c.message});
        EXPECT_TRUE(logShows(*f.form, c.reason)) << f.form->Memo->toPlainText().toStdString();
    }
}

// A server that accepts connections and never answers: the kernel completes the
// handshake for the listening socket, nobody reads.
class SilentServer {
public:
    SilentServer() {
        fd_ = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t size = sizeof address;
        bind(fd_, reinterpret_cast<sockaddr*>(&address), size);
        listen(fd_, 16);
        getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &size);
        port_ = ntohs(address.sin_port);
    }
    ~SilentServer() { close(fd_); }
    std::string port() const { return std::to_string(port_); }

private:
    int fd_ = -1;
    int port_ = 0;
};

TEST(HangingLoginTest, TheWindowStaysLiveAndTheLoginEndsWithTheMessageAndTheReason) {
    SilentServer silent;
    FormFixture f;
    gui::TCopyDataForm& w = *f.form;
    w.show();
    f.fill({"127.0.0.1", silent.port(), "sa", "pw", "qx001"},
           {"127.0.0.1", silent.port(), "postgres", "pw", "qxnew01"});
    struct Case {
        const char* name;
        std::function<void()> act;
        const char* message;
        bool closeMeanwhile;
    } cases[] = {
        {"Start", [&] { w.btOK->click(); }, "源数据库链接失败，请检查相关设置！", false},
        {"target list", [&] { w.edtDataTarget->showPopup(); },
         "目标源数据库链接失败，请检查相关设置！", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        f.messages.shown.clear();
        size_t logLines = w.runLogLines().size();
        QSignalSpy done(&w, &gui::TCopyDataForm::backgroundFinished);
        QElapsedTimer clock;
        clock.start();
        c.act();
        // The handler has returned while the login waits (15 s at most).
        ASSERT_TRUE(w.backgroundBusy());
        EXPECT_FALSE(w.btOK->isEnabled());
        EXPECT_FALSE(w.GroupBox2->isEnabled());
        EXPECT_EQ(w.cursor().shape(), Qt::WaitCursor);
        bool delivered = false;
        QMetaObject::invokeMethod(
            &w, [&] { delivered = true; }, Qt::QueuedConnection);
        QCoreApplication::processEvents();
        EXPECT_TRUE(delivered);
        if (c.closeMeanwhile) {
            QCloseEvent close;
            QCoreApplication::sendEvent(&w, &close);
            EXPECT_FALSE(close.isAccepted()) << "the login still uses the connection";
        }

        ASSERT_TRUE(done.wait(90000));
        EXPECT_LT(clock.elapsed(), 60000);
        EXPECT_EQ(f.messages.texts(), std::vector<std::string>{c.message});
        ASSERT_GT(w.runLogLines().size(), logLines) << "no reason given";
        EXPECT_FALSE(w.runLogLines().back().empty());
        EXPECT_TRUE(w.btOK->isEnabled());
        EXPECT_NE(w.cursor().shape(), Qt::WaitCursor);
        EXPECT_EQ(w.isVisible(), !c.closeMeanwhile) << "a close asked for meanwhile happens now";
    }
}

}  // namespace
