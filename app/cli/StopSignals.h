#pragma once

#include <atomic>

namespace cli {

// From this call on, the first SIGINT or SIGTERM only sets the returned flag (a
// run polls it at its safe points) and says so on stderr; a second one ends the
// process at once. The signals are taken by a thread of their own, so no system
// call of the run (a socket read of a database client) is ever interrupted.
// Call it before any other thread starts; at most once per process.
const std::atomic<bool>& stopOnTerminationSignals();

}  // namespace cli
