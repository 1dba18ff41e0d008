#pragma once

#include <QObject>
#include <condition_variable>
#include <mutex>

#include "core/MessageBox.h"

namespace gui {

// Lets work running off the window's thread (Start checks, database lists) show
// the window's message boxes. Called on the thread this object lives on, it
// shows the box at once; called on another thread, it queues the box to this
// object's thread and blocks until the operator answers. That thread must keep
// running its event loop meanwhile, or call cancel(): pending and later calls
// from other threads then return at once with the box's negative answer.
class MainThreadMessageBox : public QObject, public core::MessageBox {
    Q_OBJECT
public:
    explicit MainThreadMessageBox(core::MessageBox& boxes, QObject* parent = nullptr)
        : QObject(parent), boxes_(boxes) {}

    core::MessageAnswer show(const std::string& caption, const std::string& text,
                             core::MessageIcon icon, core::MessageButtons buttons) override;

    // Any thread.
    void cancel();

private:
    core::MessageBox& boxes_;
    std::mutex mutex_;
    std::condition_variable answered_;
    bool cancelled_ = false;
};

}  // namespace gui
