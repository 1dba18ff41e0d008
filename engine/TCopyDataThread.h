#pragma once

#include <string>

#include "RunContext.h"

namespace engine {

// Interrupted: stopped at a safe point on request (RunContext::stopRequested); the
// resume state is kept as for a failure.
enum class RunOutcome { Completed, Failed, Interrupted };

// One migration run. Execute() runs it on the calling thread from the marker row
// to the final message, with one error path; it never throws. The desktop calls
// it on a worker thread, the command line on its main thread.
class TCopyDataThread {
public:
    explicit TCopyDataThread(RunContext& ctx) : ctx_(ctx) {}

    RunOutcome Execute();

private:
    void listTargetTables();
    void checkConstraintsRestored();
    std::string versionStamp();
    // Saves the run log file; returns the reason when it could not be saved (that
    // reason is also appended to the run log), empty on success.
    std::string saveLog();

    RunContext& ctx_;
};

}  // namespace engine
