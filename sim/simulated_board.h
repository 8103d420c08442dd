// A programmer board in software: an 11-bit address counter with reset and
// clock, a 2 KB EPROM (programming can only clear bits), an optional ROM
// emulator, and the programming-pulse timer. It honours the board's register
// contract and adds faults that real boards show.
#pragma once

#include "device/programmer_port.h"

#include <array>
#include <cstddef>
#include <cstdint>

namespace rfprog::sim {

using RomImage = std::array<std::uint8_t, RomSize>;

// How many shorts and flaky addresses the board can have at once.
inline constexpr std::size_t MaxListedFaults = 8;

// A ROM address whose bits in mask read inverted on every second read of it.
struct FlakyBits {
    std::uint32_t address = 0;
    std::uint8_t mask = 0;
};

struct BoardFaults {
    bool absent = false;          // nothing on the port: data reads float high, no timer
    std::uint8_t stuckAtZero = 0; // data bits that always read 0, from the ROM or the emulator
    std::uint8_t stuckAtOne = 0;  // data bits that always read 1
    // Pairs of data lines (two bits each) shorted together: both read the AND of the two.
    std::array<std::uint8_t, MaxListedFaults> shorts{};
    std::size_t shortCount = 0;
    // Counter outputs A0..A10 stuck at 0 or at 1: the ROM and the emulator are read,
    // programmed and loaded at the address the counter's outputs show.
    std::uint16_t addressStuckAtZero = 0;
    std::uint16_t addressStuckAtOne = 0;
    std::array<FlakyBits, MaxListedFaults> flaky{}; // ROM cells only
    std::size_t flakyCount = 0;
    bool unprogrammable = false; // pulses leave the ROM as it was
    bool noDriver = false;       // the port library's driver is not open: writes go nowhere,
                                 // every read returns 0
};

class SimulatedBoard final : public ProgrammerPort {
  public:
    static constexpr std::uint32_t TimerNeverAnswers = 0;
    static constexpr std::uint8_t StatusNoise = 0x47; // bits the system must ignore

    SimulatedBoard();

    void writeControl(ControlValue value) override;
    void writeData(std::uint8_t value) override;
    std::uint8_t readData() override;
    std::uint8_t readStatus() override;

    // Set-up.
    RomImage rom;
    RomImage emulator;
    bool emulatorPlugged = false;
    std::uint32_t timerAnswersOnRead = 1; // status read after a pulse start that sees bit 7
    BoardFaults faults;

    // Observation.
    ControlValue control() const { return control_; }
    std::uint32_t address() const { return address_; }
    bool voltageOn() const;
    std::uint32_t pulses() const { return pulses_; }
    std::uint32_t undefinedControlWrites() const { return undefinedControlWrites_; }
    // True once after the ROM or the emulator memory changed, for write-back.
    bool takeRomChanged();
    bool takeEmulatorChanged();

  private:
    // The address on the counter's outputs, where the ROM and the emulator see it.
    std::uint32_t outputAddress() const;
    std::uint8_t readRomCell(std::uint32_t address);
    std::uint8_t throughDataLines(std::uint8_t value) const;

    ControlValue control_ = ControlValue::Idle;
    std::uint32_t address_ = 0;
    std::uint8_t dataLatch_ = 0;
    bool pulseRunning_ = false;
    bool pulseOver_ = false;
    std::uint32_t statusReadsInPulse_ = 0;
    std::uint32_t pulses_ = 0;
    std::uint32_t undefinedControlWrites_ = 0;
    bool romChanged_ = false;
    bool emulatorChanged_ = false;
    std::array<std::uint32_t, MaxListedFaults> flakyReads_{}; // reads of each flaky address
};

} // namespace rfprog::sim
