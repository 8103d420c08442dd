#include "cli/port_session.h"

namespace rfprog::cli {

ExitStatus PortSession::open(const PortChoice& choice, std::string_view portText,
                             const Console& console, TraceSink* trace) {
    const ExitStatus status = openPort(choice, portText, console, port_);
    if (status != ExitStatus::Success) {
        return status;
    }
    backend_ = choice.backend;
    ProgrammerPort* port = port_;
    if (trace != nullptr) {
        port = &tracing_.emplace(*port_, choice.traceBase(), *trace);
    }
    device_.emplace(*port);
    device_->switchOff(); // idle before anything else: programming voltage off
    return ExitStatus::Success;
}

ExitStatus PortSession::close(const Console& console) {
    if (!device_) {
        return ExitStatus::Success;
    }
    device_->switchOff();
    device_.reset();
    tracing_.reset();
    return backend_->close(console);
}

} // namespace rfprog::cli
