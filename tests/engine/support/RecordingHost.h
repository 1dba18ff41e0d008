#pragma once

#include <deque>
#include <mutex>
#include <string>
#include <vector>

#include "engine/RunHost.h"
#include "engine/RunLog.h"

namespace enginetest {

// A RunHost for tests: keeps the run log in a RunLog, answers Yes/No questions
// with scripted answers (No when none is left) and records everything else.
// Thread-safe, so a run may execute on another thread than the test.
class RecordingHost : public engine::RunHost {
public:
    struct Message {
        std::string caption;
        std::string text;
        core::MessageIcon icon;
    };

    void answerNext(bool yes);

    void appendLog(const std::string& text) override { log.append(text); }
    void replaceLastLog(const std::string& text) override { log.replaceLast(text); }
    void clearLog() override { log.clear(); }
    std::string logText() const override { return log.text(); }
    void setBusy(bool busy) override;
    bool askYesNo(const std::string& caption, const std::string& text) override;
    void showMessage(const std::string& caption, const std::string& text,
                     core::MessageIcon icon) override;

    std::vector<std::string> questions() const;
    std::vector<Message> messages() const;
    std::vector<bool> busyChanges() const;

    engine::RunLog log;

private:
    mutable std::mutex mutex_;
    std::deque<bool> answers_;
    std::vector<std::string> questions_;
    std::vector<Message> messages_;
    std::vector<bool> busy_;
};

}  // namespace enginetest
