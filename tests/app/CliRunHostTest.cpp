#include <gtest/gtest.h>

#include <sstream>

#include "ScriptedMessageBox.h"
#include "app/CliMessageBox.h"
#include "app/CliRunHost.h"

namespace {

// What a table import does to the log: a line, its progress replacements, the next line.
void tableRun(engine::RunHost& host) {
    host.appendLog("\r\n开始导入");
    host.appendLog("l_goods 0/3");
    host.replaceLastLog("l_goods 1/3");
    host.replaceLastLog("l_goods 3/3");
    host.appendLog("l_unit 0/1");
    host.replaceLastLog("l_unit 1/1 完成");
}

TEST(CliRunHostTest, PipeGetsEveryLineOnceInItsFinalForm) {
    std::ostringstream out;
    apptest::ScriptedMessageBox messages;
    app::CliRunHost host(out, false, messages);
    tableRun(host);
    host.finish();
    EXPECT_EQ(out.str(), "\n开始导入\nl_goods 3/3\nl_unit 1/1 完成\n");
    EXPECT_EQ(host.logText(), "\r\n开始导入\r\nl_goods 3/3\r\nl_unit 1/1 完成");
}

TEST(CliRunHostTest, TerminalRewritesTheProgressLineInPlace) {
    std::ostringstream out;
    apptest::ScriptedMessageBox messages;
    app::CliRunHost host(out, true, messages);
    tableRun(host);
    host.finish();
    EXPECT_EQ(out.str(),
              "\n开始导入\nl_goods 0/3\r\033[Kl_goods 1/3\r\033[Kl_goods 3/3\nl_unit 0/1"
              "\r\033[Kl_unit 1/1 完成\n");
}

TEST(CliRunHostTest, MessageEndsTheOpenLineFirst) {
    std::ostringstream out;
    apptest::ScriptedMessageBox messages;
    app::CliRunHost host(out, false, messages);
    host.appendLog("\r重启外键完成。");
    host.showMessage("提示", "数据导入完成！", core::MessageIcon::Warning);
    EXPECT_EQ(out.str(), "\n重启外键完成。\n") << "a lone \\r is a line break";
    ASSERT_EQ(messages.texts(), std::vector<std::string>{"数据导入完成！"});
}

TEST(CliMessageBoxTest, QuestionAnsweredByPresetThenTerminalElseNo) {
    struct Case {
        const char* name;
        std::optional<bool> preset;
        bool terminal;
        std::string input;
        bool yes;
    } cases[] = {
        {"preset yes", true, false, "", true},
        {"preset no beats terminal", false, true, "y\n", false},
        {"terminal yes after a bad answer", std::nullopt, true, "maybe\nY\n", true},
        {"terminal closed", std::nullopt, true, "", false},
        {"no terminal, no preset", std::nullopt, false, "y\n", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::ostringstream err;
        std::istringstream in(c.input);
        app::CliMessageBox box(err, in, c.terminal, c.preset);
        auto answer = box.show("提示", "检测到导入记录，是否继续上一次的导入作业？",
                               core::MessageIcon::Information, core::MessageButtons::YesNo);
        EXPECT_EQ(answer, c.yes ? core::MessageAnswer::Yes : core::MessageAnswer::No);
        EXPECT_EQ(err.str().rfind("提示: 检测到导入记录", 0), 0u) << err.str();
    }
}

TEST(CliMessageBoxTest, LineBreaksOfATextBecomeNewlines) {
    std::ostringstream err;
    std::istringstream in;
    app::CliMessageBox box(err, in, false);
    box.show("提示", "a\r\nb", core::MessageIcon::Warning, core::MessageButtons::Ok);
    EXPECT_EQ(err.str(), "提示: a\nb\n");
}

}  // namespace
