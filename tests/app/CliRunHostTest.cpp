#include <gtest/gtest.h>

#include <chrono>
#include <sstream>
#include <utility>

#include "app/CliMessageBox.h"
#include "app/CliRunHost.h"
#include "support/ScriptedMessageBox.h"

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
    support::ScriptedMessageBox messages{support::ScriptedMessageBox::Unscripted::No};
    app::CliRunHost host(out, false, messages);
    tableRun(host);
    host.finish();
    EXPECT_EQ(out.str(), "\n开始导入\nl_goods 3/3\nl_unit 1/1 完成\n");
    EXPECT_EQ(host.logText(), "\r\n开始导入\r\nl_goods 3/3\r\nl_unit 1/1 完成");
}

// A clock the test moves by hand.
struct ManualClock {
    app::ProgressPace::Clock::time_point now{};
    void advance(int ms) { now += std::chrono::milliseconds(ms); }
    app::ProgressPace pace() {
        app::ProgressPace pace;
        pace.now = [this] { return now; };
        return pace;
    }
};

TEST(CliRunHostTest, TerminalRewritesTheProgressLineInPlace) {
    std::ostringstream out;
    support::ScriptedMessageBox messages{support::ScriptedMessageBox::Unscripted::No};
    ManualClock clock;
    app::CliRunHost host(out, true, messages, clock.pace());
    tableRun(host);  // every replacement within the same instant: only final forms show
    host.finish();
    EXPECT_EQ(out.str(),
              "\n开始导入\nl_goods 0/3\r\033[Kl_goods 3/3\nl_unit 0/1\r\033[Kl_unit 1/1 完成\n");
    EXPECT_EQ(host.logText(), "\r\n开始导入\r\nl_goods 3/3\r\nl_unit 1/1 完成");
}

TEST(CliRunHostTest, TerminalRedrawsAtMostTenTimesASecond) {
    std::ostringstream out;
    support::ScriptedMessageBox messages{support::ScriptedMessageBox::Unscripted::No};
    ManualClock clock;
    app::CliRunHost host(out, true, messages, clock.pace());
    host.appendLog("t 0/9");
    const std::pair<int, const char*> steps[] = {
        {10, "t 1/9"}, {95, "t 2/9"}, {100, "t 3/9"}, {50, "t 4/9"}, {60, "t 5/9"}};
    for (const auto& [ms, text] : steps) {
        clock.advance(ms);
        host.replaceLastLog(text);
    }
    host.finish();
    EXPECT_EQ(out.str(), "t 0/9\r\033[Kt 2/9\r\033[Kt 3/9\r\033[Kt 5/9\n");
}

TEST(CliRunHostTest, PipeShowsATableStillBeingCopiedEveryFiveSeconds) {
    std::ostringstream out;
    support::ScriptedMessageBox messages{support::ScriptedMessageBox::Unscripted::No};
    ManualClock clock;
    app::CliRunHost host(out, false, messages, clock.pace());
    auto at = [&](int ms, const char* table, int64_t done, int64_t total) {
        clock.advance(ms);
        engine::RunProgress p;
        p.table = table;
        p.rowsDone = done;
        p.rowsTotal = total;
        host.progress(p);
    };
    host.appendLog("正在导入表[ big ]的数据");
    at(0, "big", 0, 100000);
    at(1000, "big", 1000, 100000);  // too early
    at(4000, "big", 20000, 100000);
    at(1000, "big", 25000, 100000);  // too early again
    at(4000, "big", 40000, 100000);
    at(5000, "big", 100000, 100000);  // finished: its own line says so
    at(0, "small", 0, 10);
    at(6000, "small", 10, 10);
    host.replaceLastLog("成功导入表 [ big ] 100000条数据。");
    host.finish();
    EXPECT_EQ(out.str(),
              "big: 20000/100000 rows, 4000 rows/s\n"
              "big: 40000/100000 rows, 4000 rows/s\n"
              "成功导入表 [ big ] 100000条数据。\n");
    EXPECT_EQ(host.logText(), "成功导入表 [ big ] 100000条数据。") << "the log keeps its own lines";
}

TEST(CliRunHostTest, MessageEndsTheOpenLineFirst) {
    std::ostringstream out;
    support::ScriptedMessageBox messages{support::ScriptedMessageBox::Unscripted::No};
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

TEST(CliMessageBoxTest, PromptRuleAnswersWithoutAskingAndCancelsARepeat) {
    struct Case {
        const char* name;
        bool repeatCancels;
        std::vector<core::MessageAnswer> answers;  // to prompts A, A, B, A
    } cases[] = {
        {"repeat cancels",
         true,
         {core::MessageAnswer::Ok, core::MessageAnswer::Cancel, core::MessageAnswer::Ok,
          core::MessageAnswer::Ok}},
        {"every prompt answered alike",
         false,
         {core::MessageAnswer::Ok, core::MessageAnswer::Ok, core::MessageAnswer::Ok,
          core::MessageAnswer::Ok}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::ostringstream err;
        std::istringstream in("n\nn\nn\nn\n");
        app::CliMessageBox box(err, in, true, false);
        box.setPromptRule(core::MessageAnswer::Ok, c.repeatCancels);
        std::vector<core::MessageAnswer> answers;
        for (const char* prompt : {"A", "A", "B", "A"})
            answers.push_back(
                box.show("QXZip", prompt, core::MessageIcon::None, core::MessageButtons::OkCancel));
        EXPECT_EQ(answers, c.answers);
        EXPECT_EQ(box.show("QXZip", "?", core::MessageIcon::None, core::MessageButtons::YesNo),
                  core::MessageAnswer::No)
            << "questions keep their preset answer";
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
