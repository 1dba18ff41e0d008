#include "BackgroundTask.h"

#include <exception>

namespace gui {

BackgroundTask::~BackgroundTask() { wait(); }

void BackgroundTask::wait() {
    if (thread_.joinable()) thread_.join();
    running_ = false;
}

void BackgroundTask::start(std::function<void()> work,
                           std::function<void(const std::string& error)> done) {
    if (running_) return;
    if (thread_.joinable()) thread_.join();
    running_ = true;
    thread_ = std::thread([this, work = std::move(work), done = std::move(done)] {
        std::string error;
        try {
            work();
        } catch (const std::exception& e) {
            error = e.what();
        } catch (...) {
            error = "unknown error";
        }
        // Posted to this object: dropped unanswered if it is destroyed first.
        QMetaObject::invokeMethod(
            this,
            [this, done, error] {
                if (!thread_.joinable()) return;  // wait() has given the work up
                thread_.join();
                running_ = false;
                done(error);
                emit finished();
            },
            Qt::QueuedConnection);
    });
}

}  // namespace gui
