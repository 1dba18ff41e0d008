#pragma once

#include <string>

#include "core/MessageBox.h"

namespace engine {

// What a run needs from its front end. The run calls these on its own (worker)
// thread; implementations must not touch widgets from there (the desktop forwards
// them with queued signals). Only askYesNo blocks until the operator answers.
class RunHost {
public:
    virtual ~RunHost() = default;

    // The run log. A text beginning with "\r\n" gives an empty line before it; a
    // text holding "\r\n" becomes several lines.
    virtual void appendLog(const std::string& text) = 0;
    // Overwrites the last line (progress lines). May be shown coalesced, but the
    // log text must end up exactly as if every replacement had been applied.
    virtual void replaceLastLog(const std::string& text) = 0;
    virtual void clearLog() = 0;
    // The whole run log, lines joined by "\r\n", as saved into the log file.
    virtual std::string logText() const = 0;

    // Wait cursor and Start disabled while busy.
    virtual void setBusy(bool busy) = 0;

    // A modal Yes/No question; blocks the run until answered. true for Yes.
    virtual bool askYesNo(const std::string& caption, const std::string& text) = 0;
    virtual void showMessage(const std::string& caption, const std::string& text,
                             core::MessageIcon icon) = 0;

    // Called after each table: lets a front end process pending events.
    virtual void processEvents() {}
};

}  // namespace engine
