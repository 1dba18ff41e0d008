#include "RecordingHost.h"

#include <algorithm>

namespace enginetest {

void RecordingHost::appendLog(const std::string& text) {
    {
        std::lock_guard lock(mutex_);
        appended_.push_back(text);
    }
    log.append(text);
}

void RecordingHost::replaceLastLog(const std::string& text) {
    {
        std::lock_guard lock(mutex_);
        ++replacements_;
        if (text.starts_with("正在导入表[")) lastProgress_ = text;
    }
    log.replaceLast(text);
}

void RecordingHost::processEvents() {
    std::lock_guard lock(mutex_);
    ++eventCalls_;
}

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

std::vector<std::string> RecordingHost::appended() const {
    std::lock_guard lock(mutex_);
    return appended_;
}

std::string RecordingHost::lastProgress() const {
    std::lock_guard lock(mutex_);
    return lastProgress_;
}

int RecordingHost::replacements() const {
    std::lock_guard lock(mutex_);
    return replacements_;
}

int RecordingHost::eventCalls() const {
    std::lock_guard lock(mutex_);
    return eventCalls_;
}

bool RecordingHost::hasLine(const std::string& line) const {
    const std::vector<std::string> all = log.lines();
    return std::find(all.begin(), all.end(), line) != all.end();
}

}  // namespace enginetest
