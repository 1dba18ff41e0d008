#include "StopSignals.h"

#include <pthread.h>
#include <unistd.h>

#include <csignal>
#include <thread>

namespace cli {

namespace {

std::atomic<bool> stopRequested{false};

sigset_t terminationSignals() {
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    return signals;
}

void takeSignals() {
    const sigset_t signals = terminationSignals();
    for (;;) {
        int signal = 0;
        if (sigwait(&signals, &signal) != 0) continue;
        if (!stopRequested.exchange(true)) {
            static const char kNote[] =
                "lir2orbit-cli: stopping at the next safe point (a second signal ends it now)\n";
            [[maybe_unused]] auto written = ::write(STDERR_FILENO, kNote, sizeof kNote - 1);
            continue;
        }
        // The second one: as if nothing had caught it.
        std::signal(signal, SIG_DFL);
        pthread_sigmask(SIG_UNBLOCK, &signals, nullptr);
        std::raise(signal);
    }
}

}  // namespace

const std::atomic<bool>& stopOnTerminationSignals() {
    const sigset_t signals = terminationSignals();
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);
    std::thread(takeSignals).detach();
    return stopRequested;
}

}  // namespace cli
