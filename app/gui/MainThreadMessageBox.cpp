#include "MainThreadMessageBox.h"

#include <QThread>
#include <memory>

namespace gui {

namespace {
core::MessageAnswer negative(core::MessageButtons buttons) {
    switch (buttons) {
        case core::MessageButtons::Ok:
            return core::MessageAnswer::Ok;
        case core::MessageButtons::YesNo:
            return core::MessageAnswer::No;
        case core::MessageButtons::OkCancel:
            break;
    }
    return core::MessageAnswer::Cancel;
}
}  // namespace

core::MessageAnswer MainThreadMessageBox::show(const std::string& caption, const std::string& text,
                                               core::MessageIcon icon,
                                               core::MessageButtons buttons) {
    if (QThread::currentThread() == thread()) return boxes_.show(caption, text, icon, buttons);

    struct Answer {
        bool given = false;
        core::MessageAnswer value = core::MessageAnswer::Ok;
    };
    auto answer = std::make_shared<Answer>();
    {
        std::lock_guard lock(mutex_);
        if (cancelled_) return negative(buttons);
    }
    QMetaObject::invokeMethod(
        this,
        [this, answer, caption, text, icon, buttons] {
            core::MessageAnswer value = boxes_.show(caption, text, icon, buttons);
            std::lock_guard lock(mutex_);
            answer->given = true;
            answer->value = value;
            answered_.notify_all();
        },
        Qt::QueuedConnection);
    std::unique_lock lock(mutex_);
    answered_.wait(lock, [&] { return answer->given || cancelled_; });
    return answer->given ? answer->value : negative(buttons);
}

void MainThreadMessageBox::cancel() {
    std::lock_guard lock(mutex_);
    cancelled_ = true;
    answered_.notify_all();
}

}  // namespace gui
