#include "cli/platform.h"

#include <windows.h>

#include <atomic>

namespace rfprog::cli {

namespace {

std::atomic<bool> Interrupted{false};

// Runs on a thread of its own. For Ctrl-C and Ctrl-Break it only sets the flag. When the
// console closes, or the user logs off, the process ends as soon as the handler returns,
// so the handler waits while the program sets the board idle and exits by itself.
BOOL WINAPI onConsoleEvent(DWORD event) {
    Interrupted.store(true);
    if (event == CTRL_CLOSE_EVENT || event == CTRL_LOGOFF_EVENT || event == CTRL_SHUTDOWN_EVENT) {
        Sleep(4000); // the system allows about five seconds
    }
    return TRUE;
}

} // namespace

void installInterruptHandlers() {
    SetConsoleCtrlHandler(onConsoleEvent, TRUE);
}

bool interruptRequested() {
    return Interrupted.load();
}

} // namespace rfprog::cli
