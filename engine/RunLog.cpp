#include "RunLog.h"

namespace engine {

namespace {
// Splits at "\r\n" only: that is the line break of the log. A lone "\r" stays in its
// line, so a line such as "\r重启外键完成。" is saved as it was written.
void splitInto(const std::string& text, std::vector<std::string>& lines) {
    size_t begin = 0;
    for (;;) {
        size_t at = text.find("\r\n", begin);
        if (at == std::string::npos) {
            lines.push_back(text.substr(begin));
            return;
        }
        lines.push_back(text.substr(begin, at - begin));
        begin = at + 2;
    }
}
}  // namespace

void RunLog::append(const std::string& text) {
    std::lock_guard lock(mutex_);
    splitInto(text, lines_);
}

void RunLog::replaceLast(const std::string& text) {
    std::lock_guard lock(mutex_);
    if (lines_.empty()) {
        lines_.push_back(text);
    } else {
        lines_.back() = text;
    }
}

void RunLog::clear() {
    std::lock_guard lock(mutex_);
    lines_.clear();
}

std::string RunLog::text() const {
    std::lock_guard lock(mutex_);
    std::string out;
    for (size_t i = 0; i < lines_.size(); ++i) {
        if (i > 0) out += "\r\n";
        out += lines_[i];
    }
    return out;
}

std::vector<std::string> RunLog::lines() const {
    std::lock_guard lock(mutex_);
    return lines_;
}

std::string RunLog::lastLine() const {
    std::lock_guard lock(mutex_);
    return lines_.empty() ? std::string() : lines_.back();
}

}  // namespace engine
