#pragma once

namespace engine {

struct RunContext;

// The run's log line and message when it stops on request.
inline constexpr const char* kRunInterruptedText = "数据导入已中止。";

// Throws RunInterrupted when a front end has asked the run to stop. Called at the
// run's safe points only: between batches of a table, between tables and before
// each step, where nothing half-sent is left behind and the resume state says
// where to pick up.
void throwIfStopRequested(const RunContext& ctx);

}  // namespace engine
