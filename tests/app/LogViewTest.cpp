#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <thread>

#include "app/gui/DesktopRunHost.h"
#include "app/gui/LogView.h"
#include "engine/RunLog.h"
#include "support/ScriptedMessageBox.h"

namespace {

using Lines = std::vector<std::string>;

QString joined(const Lines& lines) {
    QStringList all;
    for (const auto& l : lines) all << QString::fromStdString(l);
    return all.join('\n').replace('\r', '\n');
}

TEST(LogViewTest, FollowsAppendsReplacementsAndResets) {
    QPlainTextEdit memo;
    gui::LogView view(memo);
    const Lines steps[] = {
        {"", "开始"},
        {"", "开始", "l_goods 1/3"},
        {"", "开始", "l_goods 3/3"},
        {"", "开始", "l_goods 3/3", "a", "b"},
        {"", "开始", "l_goods 3/3", "a", "\r重启外键完成。"},
        {"", "开始", "l_goods 3/3", "a", "\r重启外键完成。", "数据导入完成。"},
        {"x"},
        {},
        {"y", "z"},
    };
    for (const auto& lines : steps) {
        SCOPED_TRACE(joined(lines).toStdString());
        view.sync(lines);
        EXPECT_EQ(memo.toPlainText(), joined(lines));
        EXPECT_EQ(view.shownLines(), lines);
    }
}

bool waitFor(const std::function<bool()>& done, int ms = 5000) {
    QElapsedTimer timer;
    timer.start();
    while (!done() && timer.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    return done();
}

TEST(DesktopRunHostTest, ProgressFromAWorkerEndsExactAndCoalesced) {
    QPlainTextEdit memo;
    gui::LogView view(memo);
    engine::RunLog log;
    support::ScriptedMessageBox messages{support::ScriptedMessageBox::Unscripted::No};
    gui::DesktopRunHost host(log, view, messages);

    int blockChanges = 0;
    QObject::connect(memo.document(), &QTextDocument::contentsChanged, [&] { ++blockChanges; });

    constexpr int kReplacements = 20000;
    std::thread worker([&] {
        host.appendLog("l_goods 0");
        for (int i = 1; i <= kReplacements; ++i)
            host.replaceLastLog("l_goods " + std::to_string(i));
        host.appendLog("完成");
    });
    std::string expected = "l_goods " + std::to_string(kReplacements) + "\n完成";
    bool shown = waitFor([&] { return memo.toPlainText().toStdString() == expected; });
    worker.join();
    ASSERT_TRUE(shown) << memo.toPlainText().toStdString();
    EXPECT_EQ(host.logText(), "l_goods " + std::to_string(kReplacements) + "\r\n完成");
    // Each view update changes the document at most twice; 20000 replacements
    // must not come through one by one.
    EXPECT_LT(blockChanges, kReplacements / 10);
}

// An operator who scrolls up to read keeps the place while the run writes on;
// back at the bottom the view follows again.
TEST(DesktopRunHostTest, TheLogKeepsItsPlaceWhileScrolledUpDuringARun) {
    QPlainTextEdit memo;
    memo.resize(400, 200);
    memo.show();
    gui::LogView view(memo);
    engine::RunLog log;
    support::ScriptedMessageBox messages{support::ScriptedMessageBox::Unscripted::No};
    gui::DesktopRunHost host(log, view, messages);
    QScrollBar* bar = memo.verticalScrollBar();

    auto writeFromARun = [&](const std::string& tag) {
        std::thread worker([&] {
            for (int i = 0; i < 100; ++i) {
                host.appendLog(tag + " " + std::to_string(i));
                host.appendLog("l_goods 0");
                for (int rows = 1; rows <= 50; ++rows)
                    host.replaceLastLog("l_goods " + std::to_string(rows));
            }
        });
        worker.join();
        return waitFor([&] { return view.shownLines() == log.lines(); });
    };

    ASSERT_TRUE(writeFromARun("first"));
    ASSERT_GT(bar->maximum(), 100);
    EXPECT_EQ(bar->value(), bar->maximum()) << "a view at the bottom follows";

    bar->setValue(30);
    ASSERT_TRUE(writeFromARun("second"));
    EXPECT_EQ(bar->value(), 30);

    bar->setValue(bar->maximum());
    ASSERT_TRUE(writeFromARun("third"));
    EXPECT_EQ(bar->value(), bar->maximum());
}

TEST(DesktopRunHostTest, QuestionIsAskedOnTheMainThreadAndCancelAnswersNo) {
    QPlainTextEdit memo;
    gui::LogView view(memo);
    engine::RunLog log;
    support::ScriptedMessageBox messages{support::ScriptedMessageBox::Unscripted::No};
    messages.answers.push_back(core::MessageAnswer::Yes);
    gui::DesktopRunHost host(log, view, messages);

    std::atomic<int> answer{-1};
    std::thread worker([&] { answer = host.askYesNo("提示", "继续？") ? 1 : 0; });
    ASSERT_TRUE(waitFor([&] { return answer != -1; }));
    worker.join();
    EXPECT_EQ(answer, 1);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].icon, core::MessageIcon::Information);
    EXPECT_EQ(messages.shown[0].buttons, core::MessageButtons::YesNo);

    // A question nobody will answer (the main thread is shutting down) must not hang.
    answer = -1;
    std::thread stuck([&] { answer = host.askYesNo("提示", "继续？") ? 1 : 0; });
    host.cancelQuestions();
    stuck.join();
    EXPECT_EQ(answer, 0);
}

}  // namespace
