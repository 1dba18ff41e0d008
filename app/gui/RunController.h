#pragma once

#include <QObject>
#include <QPointer>
#include <QThread>
#include <memory>

#include "engine/RunContext.h"

namespace gui {

class DesktopRunHost;

// Starts a run on its own QThread with a RunWorker moved to it, and tells when
// it is over. The context is owned here until the thread has finished. Main
// thread only. Destroying the controller during a run cancels a pending question
// and waits for the run to end.
class RunController : public QObject {
    Q_OBJECT
public:
    explicit RunController(DesktopRunHost& host, QObject* parent = nullptr);
    ~RunController() override;

    void start(std::unique_ptr<engine::RunContext> ctx);
    bool isActive() const { return !thread_.isNull(); }

signals:
    void finished(bool completed);

private:
    void threadFinished();

    DesktopRunHost& host_;
    std::unique_ptr<engine::RunContext> ctx_;
    QPointer<QThread> thread_;
    bool completed_ = false;
};

}  // namespace gui
