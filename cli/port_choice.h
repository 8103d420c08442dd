// The --port text and the ways of reaching the board. Every way is one entry of the port
// table (port_choice.cpp): the --port forms it takes, how it is opened and let go (its
// open errors are PortOpenError values, each with its sentence), the systems it exists
// on, and the address its trace shows.
#pragma once

#include "cli/exit_status.h"
#include "cli/output.h"
#include "device/programmer_port.h"

#include <cstdint>
#include <optional>
#include <string_view>

namespace rfprog::cli {

enum class PortKind {
    Simulated, // sim, sim:ROMFILE
    Address,   // lpt1..lpt3 or a base address
    Device,    // a port device such as /dev/parport0
};

struct PortChoice {
    PortKind kind = PortKind::Simulated;
    std::uint16_t base = 0;           // Address
    std::string_view path;            // Simulated: ROM file (may be empty); Device: the device
    std::optional<std::uint16_t> ecr; // Address: extended control register (--ecr)

    // The data register's address in a trace: the simulated board traces as LPT1, as the
    // drop-in port library does; a device port without an address traces its offsets.
    std::uint16_t traceBase() const;
};

enum class PortParse { Parsed, NamesNothing, UnusableBase };

PortParse parsePortChoice(std::string_view text, PortChoice& choice);

// One way of reaching the board.
struct PortBackend {
    enum class TraceAt { Lpt1, Base, Offsets };

    PortKind kind;
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
};

const PortBackend& portBackend(PortKind kind);

// The chosen backend's open, or the report that it does not exist on this system.
ExitStatus openPort(const PortChoice& choice, std::string_view portText, const Console& console,
                    ProgrammerPort*& port);

// A number as typed: decimal, or hexadecimal after 0x; nullopt when it is not one or does
// not fit 32 bits.
std::optional<std::uint32_t> parseNumber(std::string_view text);

} // namespace rfprog::cli
