#include "RecordingHost.h"

namespace enginetest {

void RecordingHost::answerNext(bool yes) {
    std::lock_guard lock(mutex_);
    answers_.push_back(yes);
}

void RecordingHost::setBusy(bool busy) {
    std::lock_guard lock(mutex_);
    busy_.push_back(busy);
}

bool RecordingHost::askYesNo(const std::string& caption, const std::string& text) {
    std::lock_guard lock(mutex_);
    questions_.push_back(caption + ": " + text);
    if (answers_.empty()) return false;
    bool yes = answers_.front();
    answers_.pop_front();
    return yes;
}

void RecordingHost::showMessage(const std::string& caption, const std::string& text,
                                core::MessageIcon icon) {
    std::lock_guard lock(mutex_);
    messages_.push_back({caption, text, icon});
}

std::vector<std::string> RecordingHost::questions() const {
    std::lock_guard lock(mutex_);
    return questions_;
}

std::vector<RecordingHost::Message> RecordingHost::messages() const {
    std::lock_guard lock(mutex_);
    return messages_;
}

std::vector<bool> RecordingHost::busyChanges() const {
    std::lock_guard lock(mutex_);
    return busy_;
}

}  // namespace enginetest
