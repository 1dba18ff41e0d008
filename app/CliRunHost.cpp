#include "CliRunHost.h"

#include <ostream>

#include "core/MessageBox.h"

namespace app {

namespace {
// A lone "\r" inside a log line is a line break to the reader; written raw it
// would send a terminal back to the start of the line.
std::string printable(std::string line) {
    for (char& c : line) {
        if (c == '\r') c = '\n';
    }
    return line;
}
}  // namespace

CliRunHost::CliRunHost(std::ostream& out, bool outputIsTerminal, core::MessageBox& messages)
    : out_(out), terminal_(outputIsTerminal), messages_(messages) {}

void CliRunHost::writeOpenLine() {
    if (!lineOpen_) return;
    if (terminal_) {
        out_ << "\n";
    } else {
        out_ << printable(log_.lastLine()) << "\n";
    }
    lineOpen_ = false;
}

void CliRunHost::appendLog(const std::string& text) {
    writeOpenLine();
    size_t before = log_.lines().size();
    log_.append(text);
    std::vector<std::string> lines = log_.lines();
    for (size_t i = before; i < lines.size(); ++i) {
        bool last = i + 1 == lines.size();
        if (last) {
            if (terminal_) out_ << printable(lines[i]);
            lineOpen_ = true;
        } else {
            out_ << printable(lines[i]) << "\n";
        }
    }
    out_ << std::flush;
}

void CliRunHost::replaceLastLog(const std::string& text) {
    // A line already ended (by a message in between) is not taken back: its new
    // form follows as one more line.
    log_.replaceLast(text);
    if (terminal_) {
        out_ << (lineOpen_ ? "\r\033[K" : "") << printable(text) << std::flush;
    }
    lineOpen_ = true;
}

void CliRunHost::clearLog() {
    writeOpenLine();
    log_.clear();
}

std::string CliRunHost::logText() const { return log_.text(); }

bool CliRunHost::askYesNo(const std::string& caption, const std::string& text) {
    writeOpenLine();
    out_ << std::flush;
    return messages_.show(caption, text, core::MessageIcon::Information,
                          core::MessageButtons::YesNo) == core::MessageAnswer::Yes;
}

void CliRunHost::showMessage(const std::string& caption, const std::string& text,
                             core::MessageIcon icon) {
    writeOpenLine();
    out_ << std::flush;
    messages_.show(caption, text, icon, core::MessageButtons::Ok);
}

void CliRunHost::finish() {
    writeOpenLine();
    out_ << std::flush;
}

}  // namespace app
