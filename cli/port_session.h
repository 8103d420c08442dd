// The port the program works on, from --port to the idle board and back: the backend
// that --port chose (cli/ports/), wrapped in the trace when --trace is given. Opening
// sets the board idle at once; closing sets it idle again.
#pragma once

#include "cli/exit_status.h"
#include "cli/output.h"
#include "cli/ports/port_backend.h"
#include "cli/trace_file.h"
#include "device/rom_device.h"
#include "device/tracing_port.h"

#include <optional>
#include <string_view>

namespace rfprog::cli {

class PortSession {
  public:
    // Success, or the status of the problem, which has been reported. portText is --port
    // as typed, for messages; trace may be null.
    ExitStatus open(const PortChoice& choice, std::string_view portText, const Console& console,
                    TraceSink* trace);
    RomDevice& device() { return *device_; }
    // Sets the board idle and lets the port go; Success, or the status of a problem found
    // meanwhile (the simulated board's files not kept), which has been reported.
    ExitStatus close(const Console& console);

  private:
    const PortBackend* backend_ = nullptr;
    ProgrammerPort* port_ = nullptr;
    std::optional<TracingPort> tracing_;
    std::optional<RomDevice> device_;
};

} // namespace rfprog::cli
