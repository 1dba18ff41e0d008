#include "StdoutHost.h"

#include <cstdio>

void StdoutHost::appendLog(const std::string& text) {
    log_.append(text);
    std::printf("%s\n", text.c_str());
    std::fflush(stdout);
}

bool StdoutHost::askYesNo(const std::string& caption, const std::string& text) {
    std::printf("%s: %s %s\n", caption.c_str(), text.c_str(), answer_ ? "Yes" : "No");
    std::fflush(stdout);
    return answer_;
}

void StdoutHost::showMessage(const std::string& caption, const std::string& text,
                             core::MessageIcon) {
    std::printf("%s: %s\n", caption.c_str(), text.c_str());
    std::fflush(stdout);
}
