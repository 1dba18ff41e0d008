#include "CliRunHost.h"

#include <cmath>
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

CliRunHost::CliRunHost(std::ostream& out, bool outputIsTerminal, core::MessageBox& messages,
                       ProgressPace pace)
    : out_(out), terminal_(outputIsTerminal), messages_(messages), pace_(std::move(pace)) {}

void CliRunHost::drawOpenLine() {
    out_ << "\r\033[K" << printable(log_.lastLine()) << std::flush;
    drawn_ = pace_.now();
    redrawPending_ = false;
}

void CliRunHost::writeOpenLine() {
    if (!lineOpen_) return;
    if (terminal_) {
        // The line ends in its final form, whatever the redraws skipped.
        if (redrawPending_) drawOpenLine();
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
            if (terminal_) {
                out_ << printable(lines[i]);
                drawn_ = pace_.now();
            }
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
        if (!lineOpen_) {
            out_ << printable(text) << std::flush;
            drawn_ = pace_.now();
        } else if (pace_.now() - drawn_ >= pace_.redraw) {
            drawOpenLine();
        } else {
            // Redrawing for every row would flood the terminal (and a recording of it).
            redrawPending_ = true;
        }
    }
    lineOpen_ = true;
}

void CliRunHost::progress(const engine::RunProgress& progress) {
    if (terminal_ || progress.table.empty()) return;
    const auto now = pace_.now();
    if (progress.table != progressTable_) {
        progressTable_ = progress.table;
        tableStart_ = progressLine_ = now;
        rowsAtStart_ = progress.rowsDone;
        return;
    }
    // A finished table says so in its own log line.
    if (progress.rowsDone >= progress.rowsTotal || now - progressLine_ < pace_.pipeLine) return;
    progressLine_ = now;
    const double seconds = std::chrono::duration<double>(now - tableStart_).count();
    const double rate = seconds > 0 ? (progress.rowsDone - rowsAtStart_) / seconds : 0;
    out_ << progress.table << ": " << progress.rowsDone << "/" << progress.rowsTotal << " rows, "
         << std::llround(rate) << " rows/s\n"
         << std::flush;
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
