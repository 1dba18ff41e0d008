#pragma once

#include "engine/RunHost.h"
#include "engine/RunLog.h"

// A RunHost on stdout for the test driver: log lines as they are appended (progress
// replacements are kept in the log but not printed), a fixed answer to questions.
class StdoutHost : public engine::RunHost {
public:
    explicit StdoutHost(bool answer) : answer_(answer) {}

    void appendLog(const std::string& text) override;
    void replaceLastLog(const std::string& text) override { log_.replaceLast(text); }
    void clearLog() override { log_.clear(); }
    std::string logText() const override { return log_.text(); }
    void setBusy(bool) override {}
    bool askYesNo(const std::string& caption, const std::string& text) override;
    void showMessage(const std::string& caption, const std::string& text,
                     core::MessageIcon icon) override;

private:
    engine::RunLog log_;
    bool answer_;
};
