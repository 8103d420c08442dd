// The register contract with the programmer board: the three registers of the
// first parallel port and every value ever written to the control register.
// This is the only place where these numbers are defined.
#pragma once

#include "core/rom_basics.h"

#include <cstdint>

namespace rfprog {

// A parallel port's three registers lie at its base address + 0, 1 and 2.
inline constexpr std::uint16_t DataOffset = 0;
inline constexpr std::uint16_t StatusOffset = 1;
inline constexpr std::uint16_t ControlOffset = 2;

// The usual bases of the first three parallel ports; the board is on the first.
inline constexpr std::uint16_t Lpt1Base = 0x378;
inline constexpr std::uint16_t Lpt2Base = 0x278;
inline constexpr std::uint16_t Lpt3Base = 0x3BC;

// The board's registers on the first port.
inline constexpr std::uint16_t DataRegister = Lpt1Base + DataOffset;       // byte in or out
inline constexpr std::uint16_t StatusRegister = Lpt1Base + StatusOffset;   // bit 7: pulse over
inline constexpr std::uint16_t ControlRegister = Lpt1Base + ControlOffset; // one of ControlValue

inline constexpr std::uint8_t PulseOverMask = 0x80; // status bit 7

// Whole-byte control values; nothing is ever composed from bits at run time.
enum class ControlValue : std::uint8_t {
    Idle = 0x00,           // voltage off, counter untouched, PC drives the data lines
    Clock = 0x01,          // 0x00, 0x01, 0x00 moves the counter one address up
    Reset = 0x02,          // counter reset asserted
    ResetClock = 0x03,     // clock while reset is asserted
    Pulse = 0x04,          // programming voltage on, pulse and timer started from 0x0C
    Prelude = 0x08,        // start of the programming preludes, frame of the emulator strobe
    EmulatorStrobe = 0x0A, // stores the data byte in the emulator
    VoltageOn = 0x0C,      // programming voltage on, no pulse
    VoltageClock = 0x0D,   // counter clock with the programming voltage kept on
    ReadRom = 0xAA,        // ROM byte on the data lines, port data lines turned to input
};

// Every defined control value, in table order.
inline constexpr ControlValue AllControlValues[] = {
    ControlValue::Idle,           ControlValue::Clock,     ControlValue::Reset,
    ControlValue::ResetClock,     ControlValue::Pulse,     ControlValue::Prelude,
    ControlValue::EmulatorStrobe, ControlValue::VoltageOn, ControlValue::VoltageClock,
    ControlValue::ReadRom,
};

constexpr std::uint8_t controlByte(ControlValue value) {
    return static_cast<std::uint8_t>(value);
}

// The lines between the board and the socket: data D0 to D7, and the address counter's
// outputs A0 to A10.
inline constexpr int DataLines = 8;
inline constexpr int AddressLines = 11;

} // namespace rfprog
