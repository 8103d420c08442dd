#include "cli/interrupt_posix.h"
#include "cli/platform.h"

#include <atomic>
#include <cerrno>
#include <csignal>

#include <algorithm>
#include <climits>

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

namespace rfprog::cli {

namespace {

std::atomic<bool> Interrupted{false};
static_assert(std::atomic<bool>::is_always_lock_free, "set from a signal handler");
int SignalPipe[2] = {-1, -1}; // the handler writes a byte; a waiting read watches it

extern "C" void onSignal(int) {
    Interrupted.store(true);
    const int savedErrno = errno;
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(SignalPipe[1], &byte, 1);
    errno = savedErrno;
}

} // namespace

// Without SA_RESTART, so that a wait for the operator's Enter ends on the signal too. A
// closed output pipe must not end the program with the voltage on: writes to it just fail.
void installInterruptHandlers() {
    if (::pipe(SignalPipe) == 0) {
        for (const int end : SignalPipe) {
            ::fcntl(end, F_SETFL, ::fcntl(end, F_GETFL) | O_NONBLOCK);
            ::fcntl(end, F_SETFD, FD_CLOEXEC);
        }
    }
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

int interruptDescriptor() {
    return SignalPipe[0];
}

// After a stop, output still gets a moment for room, so that a reader that is draining
// (a trace into a pipe) gets the rest; input does not.
constexpr int OutputGraceMilliseconds = 1000;

bool waitUntilReady(int fd, short events) {
    for (;;) {
        const bool stopped = interruptRequested();
        pollfd waits[] = {{fd, events, 0}, {SignalPipe[0], POLLIN, 0}};
        const int timeout = !stopped ? -1 : events == POLLOUT ? OutputGraceMilliseconds : 0;
        const int ready = ::poll(waits, stopped || SignalPipe[0] < 0 ? 1 : 2, timeout);
        if (ready < 0 && errno == EINTR) {
            continue;
        }
        if (ready < 0 || waits[0].revents != 0) {
            return true; // ready, or the transfer itself reports the problem
        }
        if (stopped) {
            return false;
        }
    }
}

long readWhenReady(int fd, void* bytes, unsigned long count) {
    for (;;) {
        if (!waitUntilReady(fd, POLLIN)) {
            return -1;
        }
        const ssize_t got = ::read(fd, bytes, count);
        if (got >= 0 || (errno != EINTR && errno != EAGAIN)) {
            return got;
        }
    }
}

// A piece no larger than PIPE_BUF fits into a pipe that polls writable, so the write
// itself does not wait.
bool writeWhenReady(int fd, const char* bytes, unsigned long count) {
    while (count > 0) {
        if (!waitUntilReady(fd, POLLOUT)) {
            return false;
        }
        const ssize_t written = ::write(fd, bytes, std::min<unsigned long>(count, PIPE_BUF));
        if (written < 0 && (errno == EINTR || errno == EAGAIN)) {
            continue;
        }
        if (written <= 0) {
            return false;
        }
        bytes += written;
        count -= static_cast<unsigned long>(written);
    }
    return true;
}

} // namespace rfprog::cli
