// The port the program works on, from --port to the idle board and back: the simulated
// board (with its memories in files) or a hardware backend, wrapped in the trace when
// --trace is given. Opening sets the board idle at once; closing sets it idle again.
#pragma once

#include "cli/output.h"
#include "cli/port_choice.h"
#include "cli/trace_file.h"
#include "device/rom_device.h"
#include "device/tracing_port.h"
#include "sim/file_backed_board.h"

#include <array>
#include <optional>
#include <string_view>

namespace rfprog::cli {

enum class ExitStatus : int {
    Success = 0,
    Negative = 1, // the device answered, but no: mismatch, not blank, timer silent
    Usage = 2,
    Port = 3,
    File = 4,
    Interrupted = 130,
};

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
    ExitStatus openSimulated(const PortChoice& choice, const Console& console);
    // The simulated board's file that could not be written.
    std::string_view lostFileText() const {
        return simulated_.romFileKept() ? emulatorFileText_ : romFileText_;
    }

    sim::FileBackedBoard simulated_;
    std::array<char16_t, 1024> romFile_{};
    std::array<char16_t, 1024> emulatorFile_{};
    std::string_view romFileText_;
    std::string_view emulatorFileText_;
    std::array<char, 1024> emulatorVariable_{};
    bool hardware_ = false;
    ProgrammerPort* port_ = nullptr;
    std::optional<TracingPort> tracing_;
    std::optional<RomDevice> device_;
};

} // namespace rfprog::cli
