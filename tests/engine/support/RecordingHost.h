#pragma once

#include <deque>
#include <mutex>
#include <string>
#include <vector>

#include "engine/RunHost.h"
#include "engine/RunLog.h"

namespace enginetest {

// A RunHost for tests: keeps the run log in a RunLog (as the desktop shows it),
// answers Yes/No questions with scripted answers (No when none is left) and
// records everything else, including what the progress line said last before it
// was turned into something else. Thread-safe, so a run may execute on another
// thread than the test.
class RecordingHost : public engine::RunHost {
public:
    struct Message {
        std::string caption;
        std::string text;
        core::MessageIcon icon;
    };

    void answerNext(bool yes);

    void appendLog(const std::string& text) override;
    void replaceLastLog(const std::string& text) override;
    void clearLog() override { log.clear(); }
    std::string logText() const override { return log.text(); }
    void setBusy(bool busy) override;
    bool askYesNo(const std::string& caption, const std::string& text) override;
    void showMessage(const std::string& caption, const std::string& text,
                     core::MessageIcon icon) override;
    void processEvents() override;

    std::vector<std::string> questions() const;
    std::vector<Message> messages() const;
    std::vector<bool> busyChanges() const;
    std::vector<std::string> appended() const;  // every text appended, in order
    std::string lastProgress() const;           // last replacement that was a progress line
    int replacements() const;
    int eventCalls() const;
    std::vector<std::string> lines() const { return log.lines(); }
    bool hasLine(const std::string& line) const;

    engine::RunLog log;

private:
    mutable std::mutex mutex_;
    std::deque<bool> answers_;
    std::vector<std::string> questions_;
    std::vector<Message> messages_;
    std::vector<bool> busy_;
    std::vector<std::string> appended_;
    std::string lastProgress_;
    int replacements_ = 0;
    int eventCalls_ = 0;
};

}  // namespace enginetest
