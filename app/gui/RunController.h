#pragma once

#include <QObject>
#include <QPointer>
#include <QThread>
#include <atomic>
#include <memory>

#include "RunWorker.h"
#include "engine/RunContext.h"

namespace gui {

class DesktopRunHost;

// Starts a run on its own QThread with a RunWorker moved to it, and tells when
// it is over. The context is owned here until the thread has finished. Main
// thread only. requestStop() asks the run to stop at its next safe point.
// Destroying the controller during a run asks it to stop, cancels a pending
// question and waits for the run to end.
class RunController : public QObject {
    Q_OBJECT
public:
    explicit RunController(DesktopRunHost& host, QObject* parent = nullptr);
    ~RunController() override;

    void start(std::unique_ptr<engine::RunContext> ctx);
    bool isActive() const { return !thread_.isNull(); }
    void requestStop() { stop_ = true; }
    bool stopRequested() const { return stop_; }
    // The last run's outcome and report; valid once finished() was emitted.
    const RunResult& result() const { return result_; }

signals:
    void finished(bool completed);

private:
    void threadFinished();

    DesktopRunHost& host_;
    std::unique_ptr<engine::RunContext> ctx_;
    QPointer<QThread> thread_;
    std::atomic<bool> stop_{false};
    RunResult result_;
};

}  // namespace gui
