// Interruption on POSIX systems, for the console: a descriptor that becomes readable
// when a stop signal has come, so that a wait can never miss one that arrives just
// before it blocks.
#pragma once

namespace rfprog::cli {

// The read end of the signal pipe; -1 before the handlers are installed.
int interruptDescriptor();

// Waits until fd is ready for events (POLLIN or POLLOUT), or has failed, which the read or
// write that follows reports; false when a stop signal came first. After a signal, input
// counts only when ready at once, output when ready within a second.
bool waitUntilReady(int fd, short events);

// Reads what fd has, at most count bytes: the count, 0 at the end, -1 on an error or a stop
// signal.
long readWhenReady(int fd, void* bytes, unsigned long count);

// The whole of bytes into fd, a piece at a time as it takes them; false on an error, or on
// a stop signal while fd could take nothing more.
bool writeWhenReady(int fd, const char* bytes, unsigned long count);

} // namespace rfprog::cli
