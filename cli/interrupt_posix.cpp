#include "cli/platform.h"

#include <atomic>
#include <csignal>

namespace rfprog::cli {

namespace {

std::atomic<bool> Interrupted{false};
static_assert(std::atomic<bool>::is_always_lock_free, "set from a signal handler");

extern "C" void onSignal(int) {
    Interrupted.store(true);
}

} // namespace

// Without SA_RESTART, so that a wait for the operator's Enter ends on the signal too. A
// closed output pipe must not end the program with the voltage on: writes to it just fail.
void installInterruptHandlers() {
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0;
    for (const int signal : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) {
        sigaction(signal, &action, nullptr);
    }
    action.sa_handler = SIG_IGN;
    sigaction(SIGPIPE, &action, nullptr);
}

bool interruptRequested() {
    return Interrupted.load();
}

} // namespace rfprog::cli
