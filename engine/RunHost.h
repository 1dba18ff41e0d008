#pragma once

#include <cstdint>
#include <string>

#include "TableResult.h"
#include "core/MessageBox.h"

namespace engine {

// Where a run stands, for progress bars and periodic progress lines.
struct RunProgress {
    int tablesDone = 0;   // tables of TargetTableList visited before the current one
    int tablesTotal = 0;  // entries of TargetTableList
    std::string table;    // the target table being copied; empty between tables
    int64_t rowsDone = 0;
    int64_t rowsTotal = 0;  // the table's source count
};

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

    // Structured progress: at each table's start, after each batch and at its end.
    // Called often; an implementation must be cheap and must not block.
    virtual void progress(const RunProgress&) {}
    // Once per table visited, with what became of it (also for a failed table,
    // before the error ends the run).
    virtual void tableFinished(const TableResult&) {}
};

}  // namespace engine
