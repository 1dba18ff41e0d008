#include "DesktopRunHost.h"

#include <memory>

#include "LogView.h"
#include "core/MessageBox.h"

namespace gui {

DesktopRunHost::DesktopRunHost(engine::RunLog& log, LogView& view, core::MessageBox& messages,
                               QObject* parent)
    : QObject(parent), log_(log), view_(view), messages_(messages) {
    syncTimer_.setSingleShot(true);
    connect(&syncTimer_, &QTimer::timeout, this, &DesktopRunHost::flushLog);
    sinceSync_.start();
}

void DesktopRunHost::appendLog(const std::string& text) {
    log_.append(text);
    logChanged();
}

void DesktopRunHost::replaceLastLog(const std::string& text) {
    log_.replaceLast(text);
    logChanged();
}

void DesktopRunHost::clearLog() {
    log_.clear();
    logChanged();
}

std::string DesktopRunHost::logText() const { return log_.text(); }

void DesktopRunHost::logChanged() {
    // One queued request at a time; the flag is cleared before the view reads the
    // log, so a change after that read always posts another request.
    if (syncPosted_.exchange(true)) return;
    QMetaObject::invokeMethod(
        this,
        [this] {
            syncPosted_ = false;
            requestSync();
        },
        Qt::QueuedConnection);
}

void DesktopRunHost::requestSync() {
    if (syncTimer_.isActive()) return;
    qint64 elapsed = sinceSync_.elapsed();
    if (elapsed >= kRepaintIntervalMs) {
        flushLog();
    } else {
        syncTimer_.start(static_cast<int>(kRepaintIntervalMs - elapsed));
    }
}

void DesktopRunHost::flushLog() {
    syncTimer_.stop();
    sinceSync_.restart();
    view_.sync(log_.lines());
}

void DesktopRunHost::setBusy(bool busy) {
    QMetaObject::invokeMethod(
        this, [this, busy] { emit busyChanged(busy); }, Qt::QueuedConnection);
}

void DesktopRunHost::showMessage(const std::string& caption, const std::string& text,
                                 core::MessageIcon icon) {
    QMetaObject::invokeMethod(
        this,
        [this, caption, text, icon] {
            flushLog();
            ++openMessages_;
            messages_.show(caption, text, icon, core::MessageButtons::Ok);
            messageClosed();
        },
        Qt::QueuedConnection);
}

bool DesktopRunHost::askYesNo(const std::string& caption, const std::string& text) {
    struct Answer {
        bool given = false;
        bool yes = false;
    };
    auto answer = std::make_shared<Answer>();
    {
        std::lock_guard lock(questionMutex_);
        if (cancelled_) return false;
    }
    QMetaObject::invokeMethod(
        this,
        [this, answer, caption, text] {
            flushLog();
            ++openMessages_;
            bool yes = messages_.show(caption, text, core::MessageIcon::Information,
                                      core::MessageButtons::YesNo) == core::MessageAnswer::Yes;
            messageClosed();
            std::lock_guard lock(questionMutex_);
            answer->given = true;
            answer->yes = yes;
            answered_.notify_all();
        },
        Qt::QueuedConnection);
    std::unique_lock lock(questionMutex_);
    answered_.wait(lock, [&] { return answer->given || cancelled_; });
    return answer->given && answer->yes;
}

void DesktopRunHost::progress(const engine::RunProgress& progress) {
    {
        std::lock_guard lock(progressMutex_);
        progress_ = progress;
    }
    if (progressPosted_.exchange(true)) return;
    QMetaObject::invokeMethod(
        this,
        [this] {
            progressPosted_ = false;
            engine::RunProgress latest;
            {
                std::lock_guard lock(progressMutex_);
                latest = progress_;
            }
            emit progressChanged(latest);
        },
        Qt::QueuedConnection);
}

void DesktopRunHost::tableFinished(const engine::TableResult& result) {
    QMetaObject::invokeMethod(
        this, [this, result] { emit tableReported(result); }, Qt::QueuedConnection);
}

void DesktopRunHost::whenMessagesClosed(std::function<void()> then) {
    if (openMessages_ == 0) {
        then();
    } else {
        afterMessages_.push_back(std::move(then));
    }
}

void DesktopRunHost::messageClosed() {
    if (--openMessages_ > 0) return;
    auto pending = std::move(afterMessages_);
    afterMessages_.clear();
    for (auto& then : pending) then();
}

void DesktopRunHost::cancelQuestions() {
    std::lock_guard lock(questionMutex_);
    cancelled_ = true;
    answered_.notify_all();
}

void DesktopRunHost::allowQuestions() {
    std::lock_guard lock(questionMutex_);
    cancelled_ = false;
}

}  // namespace gui
