// The --port text: which way of reaching the board the program uses.
#pragma once

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

// A number as typed: decimal, or hexadecimal after 0x; nullopt when it is not one or does
// not fit 32 bits.
std::optional<std::uint32_t> parseNumber(std::string_view text);

} // namespace rfprog::cli
