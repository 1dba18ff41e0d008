#include "archive/InterruptCleanup.h"

#include <limits.h>
#include <unistd.h>

#include <atomic>
#include <csignal>
#include <cstring>
#include <mutex>

namespace archive {

namespace {

enum SlotState : int { kFree = 0, kBusy = 1, kArmed = 2 };

// Fixed storage: the handler may neither allocate nor take locks.
struct Slot {
    std::atomic<int> state{kFree};
    char path[PATH_MAX];
};

constexpr int kSlots = 32;
Slot slots[kSlots];

extern "C" void removeAndDie(int signal) {
    for (Slot& slot : slots) {
        if (slot.state.load() == kArmed) ::unlink(slot.path);
    }
    struct sigaction defaultAction {};
    defaultAction.sa_handler = SIG_DFL;
    sigemptyset(&defaultAction.sa_mask);
    ::sigaction(signal, &defaultAction, nullptr);
    ::raise(signal);  // delivered when the handler returns, with the default action
}

void installHandlers() {
    static std::once_flag once;
    std::call_once(once, [] {
        for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
            struct sigaction current {};
            if (::sigaction(signal, nullptr, &current) != 0) continue;
            // An application that handles or ignores the signal itself keeps that.
            if ((current.sa_flags & SA_SIGINFO) != 0 || current.sa_handler != SIG_DFL) continue;
            struct sigaction action {};
            action.sa_handler = removeAndDie;
            sigemptyset(&action.sa_mask);
            ::sigaction(signal, &action, nullptr);
        }
    });
}

}  // namespace

int InterruptCleanup::Remember(const std::string& path) {
    if (path.size() >= PATH_MAX) return -1;
    installHandlers();
    for (int i = 0; i < kSlots; ++i) {
        int expected = kFree;
        if (slots[i].state.compare_exchange_strong(expected, kBusy)) {
            std::memcpy(slots[i].path, path.c_str(), path.size() + 1);
            slots[i].state.store(kArmed);
            return i;
        }
    }
    return -1;
}

void InterruptCleanup::Forget(int slot) noexcept {
    if (slot < 0 || slot >= kSlots) return;
    slots[slot].state.store(kBusy);
    slots[slot].path[0] = '\0';
    slots[slot].state.store(kFree);
}

}  // namespace archive
