// The ways of reaching the board, and the --port text that chooses one. Each way is a
// backend with a file of its own in this folder: the --port forms it takes, how it is
// opened and let go, the open errors it can give (PortOpenError values; their sentences
// are in the command line's texts) and the systems it exists on. port_table.cpp lists the
// backends in the order the --port text is matched.
#pragma once

#include "cli/exit_status.h"
#include "cli/output.h"
#include "device/port_open_error.h"
#include "device/programmer_port.h"

#include <cstdint>
#include <optional>
#include <string_view>

namespace rfprog::cli {

struct PortBackend;

struct PortChoice {
    const PortBackend* backend = nullptr;
    std::uint16_t base = 0;           // base address backend
    std::string_view path;            // simulated board: ROM file (may be empty); device
    std::optional<std::uint16_t> ecr; // base address backend: extended control register

    // The data register's address in a trace: the simulated board traces as LPT1, as the
    // drop-in port library does; a device port without an address traces its offsets.
    std::uint16_t traceBase() const;
};

enum class PortParse { Parsed, NamesNothing, UnusableBase };

struct PortBackend {
    enum class TraceAt { Lpt1, Base, Offsets };

    // Fills choice when text is one of this backend's forms; nullopt when it is not.
    std::optional<PortParse> (*parse)(std::string_view text, PortChoice& choice);
    // Opens the port, writing nothing to it: Success, or the status of the problem, which
    // has been reported. portText is --port as typed. Null where the backend does not
    // exist on this system: opening then says so.
    ExitStatus (*open)(const PortChoice& choice, std::string_view portText, const Console& console,
                       ProgrammerPort*& port);
    // Lets the port go: Success, or the status of a problem found meanwhile, reported.
    ExitStatus (*close)(const Console& console);
    TraceAt traceAt;
    bool takesEcr; // --ecr applies
};

// The backends, each defined in its own file.
extern const PortBackend SimulatedBoardBackend; // sim, sim:ROMFILE
extern const PortBackend PortDeviceBackend;     // /dev/parportN
extern const PortBackend BaseAddressBackend;    // lpt1..lpt3, a base address

// The backend whose form text is, and its parameters in choice.
PortParse parsePortChoice(std::string_view text, PortChoice& choice);

// The chosen backend's open, or the report that it does not exist on this system.
ExitStatus openPort(const PortChoice& choice, std::string_view portText, const Console& console,
                    ProgrammerPort*& port);

// --port when none is given: the first parallel port in this system's own naming.
std::string_view defaultPortName();

// The sentence for error after the port as typed; the Port status. library names the
// port library in the sentences that mention it.
ExitStatus reportOpenError(PortOpenError error, std::string_view portText, const Console& console,
                           std::string_view library = {});

} // namespace rfprog::cli
