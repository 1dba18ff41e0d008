#pragma once

#include <string>

namespace archive {

// Files to remove when the process is interrupted (SIGINT, SIGTERM, SIGHUP):
// an unfinished temporary must not outlive an operation that was stopped.
// The handler is installed, on first use, only for signals whose action is
// still the default; it removes the files and then dies of the signal as the
// default action would. Up to 32 files at once are covered; more are only
// removed by their owners. Thread-safe.
class InterruptCleanup {
public:
    // Returns a slot for Forget, or -1 when every slot is taken.
    static int Remember(const std::string& path);
    static void Forget(int slot) noexcept;
};

}  // namespace archive
