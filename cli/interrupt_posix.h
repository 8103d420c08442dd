// Interruption on POSIX systems, for the console: a descriptor that becomes readable
// when a stop signal has come, so that a wait can never miss one that arrives just
// before it blocks.
#pragma once

namespace rfprog::cli {

// The read end of the signal pipe; -1 before the handlers are installed.
int interruptDescriptor();

} // namespace rfprog::cli
