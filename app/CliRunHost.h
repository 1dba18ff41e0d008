#pragma once

#include <iosfwd>
#include <string>

#include "engine/RunHost.h"
#include "engine/RunLog.h"

namespace core {
class MessageBox;
}

namespace app {

// The run's front end on a terminal or a pipe. Log lines go to `out`: on a
// terminal a progress line is rewritten in place; otherwise each line is written
// once, in its final form, when the next line begins (or at finish()). Message
// boxes and the resume question go through `messages`. The run and this host
// share the command line's one thread.
class CliRunHost : public engine::RunHost {
public:
    CliRunHost(std::ostream& out, bool outputIsTerminal, core::MessageBox& messages);

    void appendLog(const std::string& text) override;
    void replaceLastLog(const std::string& text) override;
    void clearLog() override;
    std::string logText() const override;
    void setBusy(bool) override {}
    bool askYesNo(const std::string& caption, const std::string& text) override;
    void showMessage(const std::string& caption, const std::string& text,
                     core::MessageIcon icon) override;

    // Writes the line still open, so the output ends with the whole log.
    void finish();

private:
    void writeOpenLine();

    std::ostream& out_;
    bool terminal_;
    core::MessageBox& messages_;
    engine::RunLog log_;
    // The last line: on a terminal already shown without its line end; otherwise
    // not yet written.
    bool lineOpen_ = false;
};

}  // namespace app
