#pragma once

#include <QObject>
#include <functional>
#include <string>
#include <thread>

namespace gui {

// Runs one piece of work at a time on a thread of its own, so the window keeps
// handling events while a login or a statement waits on a server. `done` runs
// afterwards on this object's thread with the text of an exception that escaped
// the work (empty when none). Destroying the task waits for running work: whoever
// owns it must first release anything the work may block on (see
// MainThreadMessageBox::cancel). Main thread only.
class BackgroundTask : public QObject {
    Q_OBJECT
public:
    explicit BackgroundTask(QObject* parent = nullptr) : QObject(parent) {}
    ~BackgroundTask() override;

    bool isRunning() const { return running_; }
    // Blocks until running work has returned; its `done` is then never run.
    void wait();
    // Ignored while work is running.
    void start(std::function<void()> work, std::function<void(const std::string& error)> done);

signals:
    // After `done` has run.
    void finished();

private:
    std::thread thread_;
    bool running_ = false;
};

}  // namespace gui
