#include "cli/platform.h"

#include <windows.h>

#include <atomic>

namespace rfprog::cli {

namespace {

std::atomic<bool> Interrupted{false};

// A console read in line mode ends on Ctrl-C by itself on Windows, but not under every
// console host (Wine's goes on waiting), and a read from a pipe never does: the main
// thread's wait on standard input is cancelled. CancelIoEx is looked up, as Windows XP
// lacks it; there the console read ends by itself.
void cancelInputWait() {
    using CancelIoExFunction = BOOL(WINAPI*)(HANDLE, LPOVERLAPPED);
    const HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
    const auto cancel = kernel == nullptr
                            ? nullptr
                            : reinterpret_cast<CancelIoExFunction>(
                                  reinterpret_cast<void*>(GetProcAddress(kernel, "CancelIoEx")));
    if (cancel != nullptr) {
        cancel(GetStdHandle(STD_INPUT_HANDLE), nullptr);
    }
}

// Runs on a thread of its own. It sets the flag and ends the wait on standard input; the
// main thread sets the board idle. When the console closes, or the user logs off, the
// process ends as soon as the handler returns, so the handler waits while the program
// sets the board idle and exits by itself.
BOOL WINAPI onConsoleEvent(DWORD event) {
    Interrupted.store(true);
    cancelInputWait();
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
