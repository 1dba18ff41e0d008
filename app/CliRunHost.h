#pragma once

#include <chrono>
#include <functional>
#include <iosfwd>
#include <string>

#include "engine/RunHost.h"
#include "engine/RunLog.h"

namespace core {
class MessageBox;
}

namespace app {

// How often progress shows. The clock is a parameter so tests need not wait.
struct ProgressPace {
    using Clock = std::chrono::steady_clock;
    // A terminal's progress line is redrawn at most this often.
    Clock::duration redraw = std::chrono::milliseconds(100);
    // On a pipe, a line for a table still being copied at most this often.
    Clock::duration pipeLine = std::chrono::seconds(5);
    std::function<Clock::time_point()> now = [] { return Clock::now(); };
};

// The run's front end on a terminal or a pipe. Log lines go to `out`: on a
// terminal a progress line is rewritten in place (at most once per `redraw`, its
// final form always); otherwise each line is written once, in its final form,
// when the next line begins (or at finish()), and a table still being copied
// adds "table: done/total rows, N rows/s" every `pipeLine`, outside the run log.
// Message boxes and the resume question go through `messages`. The run and this
// host share the command line's one thread.
class CliRunHost : public engine::RunHost {
public:
    CliRunHost(std::ostream& out, bool outputIsTerminal, core::MessageBox& messages,
               ProgressPace pace = {});

    void appendLog(const std::string& text) override;
    void replaceLastLog(const std::string& text) override;
    void clearLog() override;
    std::string logText() const override;
    void setBusy(bool) override {}
    bool askYesNo(const std::string& caption, const std::string& text) override;
    void showMessage(const std::string& caption, const std::string& text,
                     core::MessageIcon icon) override;
    void progress(const engine::RunProgress& progress) override;

    // Writes the line still open, so the output ends with the whole log.
    void finish();

private:
    void writeOpenLine();
    void drawOpenLine();

    std::ostream& out_;
    bool terminal_;
    core::MessageBox& messages_;
    engine::RunLog log_;
    // The last line: on a terminal already shown without its line end; otherwise
    // not yet written.
    bool lineOpen_ = false;
    ProgressPace pace_;
    // Terminal: when the open line was last drawn, and whether it changed since.
    ProgressPace::Clock::time_point drawn_{};
    bool redrawPending_ = false;
    // Pipe: the table whose progress lines are counted, from when, and the last line.
    std::string progressTable_;
    ProgressPace::Clock::time_point tableStart_{};
    ProgressPace::Clock::time_point progressLine_{};
    int64_t rowsAtStart_ = 0;
};

}  // namespace app
