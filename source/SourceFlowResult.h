#pragma once

#include <string>

namespace source {

enum class SourceFlowStatus {
    Done,     // the database exists now, named in databaseName
    Refused,  // the account-code rules, a missing choice or a taken name: nothing changed
    Failed,   // a step failed or a question was answered No; its message has been shown
};

// The field a refusal sends the operator back to.
enum class SourceFlowField { None, AccountCode, DataDirectory };

// How a restore or an attach ended. Its messages have been shown through the
// flow's message box by the time the result is returned.
struct SourceFlowResult {
    SourceFlowStatus status = SourceFlowStatus::Failed;
    std::string databaseName;  // "QXLirToOrbit_" + code, for Done
    SourceFlowField focus = SourceFlowField::None;
    // The server's or system's own text behind the last fixed message shown,
    // empty where there is none.
    std::string reason;

    static SourceFlowResult done(std::string name) {
        return {SourceFlowStatus::Done, std::move(name), SourceFlowField::None, {}};
    }
    static SourceFlowResult refused(SourceFlowField focus = SourceFlowField::None) {
        return {SourceFlowStatus::Refused, {}, focus, {}};
    }
    static SourceFlowResult failed(std::string reason = {}) {
        return {SourceFlowStatus::Failed, {}, SourceFlowField::None, std::move(reason)};
    }
};

}  // namespace source
