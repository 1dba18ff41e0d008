#pragma once

#include <functional>

namespace source {

// A pause inside a flow (before each restore attempt, after an attach). Flows take
// one as a parameter: the window waits with its dialog painted, the command line
// sleeps, tests record the pauses instead of sitting through them.
using Wait = std::function<void(int milliseconds)>;

// Blocks the calling thread for the time given.
void sleepingWait(int milliseconds);

}  // namespace source
