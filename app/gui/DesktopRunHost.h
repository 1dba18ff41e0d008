#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <vector>

#include "engine/RunHost.h"
#include "engine/RunLog.h"

namespace core {
class MessageBox;
}

namespace gui {

class LogView;

// The run's front end in the window. Lives on the main thread; the run calls it
// from its worker thread. Log changes go into the shared RunLog at once (so the
// log file is exact) and reach the view through queued calls, at most one view
// update per kRepaintIntervalMs: a burst of progress replacements costs one
// repaint. Messages are queued too and do not block the run. askYesNo is the one
// blocking call: it queues the question to the main thread and waits for the
// answer, or answers No once cancelQuestions() was called (shutdown), so the main
// thread can always wait for the worker without deadlock. Progress is coalesced
// like the log (the newest state wins); each finished table is forwarded once.
class DesktopRunHost : public QObject, public engine::RunHost {
    Q_OBJECT
public:
    static constexpr int kRepaintIntervalMs = 40;

    DesktopRunHost(engine::RunLog& log, LogView& view, core::MessageBox& messages,
                   QObject* parent = nullptr);

    void appendLog(const std::string& text) override;
    void replaceLastLog(const std::string& text) override;
    void clearLog() override;
    std::string logText() const override;
    void setBusy(bool busy) override;
    bool askYesNo(const std::string& caption, const std::string& text) override;
    void showMessage(const std::string& caption, const std::string& text,
                     core::MessageIcon icon) override;
    void progress(const engine::RunProgress& progress) override;
    void tableFinished(const engine::TableResult& result) override;

    // Main thread: brings the view up to the log now.
    void flushLog();
    // Any thread: pending and future questions answer No.
    void cancelQuestions();
    // Main thread: questions may be asked again (a new run).
    void allowQuestions();
    // Main thread: runs `then` once no box of the run is open (at once when none
    // is), so what follows a run comes after its final message.
    void whenMessagesClosed(std::function<void()> then);

signals:
    void busyChanged(bool busy);
    void progressChanged(const engine::RunProgress& progress);
    void tableReported(const engine::TableResult& result);

private:
    void logChanged();
    void requestSync();
    void messageClosed();

    engine::RunLog& log_;
    LogView& view_;
    core::MessageBox& messages_;
    std::atomic<bool> syncPosted_{false};
    QTimer syncTimer_;
    QElapsedTimer sinceSync_;

    std::mutex progressMutex_;
    engine::RunProgress progress_;
    std::atomic<bool> progressPosted_{false};

    int openMessages_ = 0;
    std::vector<std::function<void()>> afterMessages_;

    std::mutex questionMutex_;
    std::condition_variable answered_;
    bool cancelled_ = false;
};

}  // namespace gui
