#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <atomic>
#include <condition_variable>
#include <mutex>

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
// thread can always wait for the worker without deadlock.
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

    // Main thread: brings the view up to the log now.
    void flushLog();
    // Any thread: pending and future questions answer No.
    void cancelQuestions();
    // Main thread: questions may be asked again (a new run).
    void allowQuestions();

signals:
    void busyChanged(bool busy);

private:
    void logChanged();
    void requestSync();

    engine::RunLog& log_;
    LogView& view_;
    core::MessageBox& messages_;
    std::atomic<bool> syncPosted_{false};
    QTimer syncTimer_;
    QElapsedTimer sinceSync_;

    std::mutex questionMutex_;
    std::condition_variable answered_;
    bool cancelled_ = false;
};

}  // namespace gui
