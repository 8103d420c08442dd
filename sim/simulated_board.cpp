#include "sim/simulated_board.h"

#include <algorithm>
#include <utility>

namespace rfprog::sim {

namespace {

constexpr std::uint8_t ClockBit = 0x01;

bool isDefined(ControlValue value) {
    return std::find(std::begin(AllControlValues), std::end(AllControlValues), value) !=
           std::end(AllControlValues);
}

bool resetAsserted(ControlValue value) {
    return value == ControlValue::Reset || value == ControlValue::ResetClock;
}

} // namespace

SimulatedBoard::SimulatedBoard() {
    rom.fill(ErasedByte);
    emulator.fill(ErasedByte);
}

bool SimulatedBoard::voltageOn() const {
    return control_ == ControlValue::Pulse || control_ == ControlValue::VoltageOn ||
           control_ == ControlValue::VoltageClock;
}

void SimulatedBoard::writeControl(ControlValue value) {
    if (faults.noDriver) {
        return;
    }
    const ControlValue previous = control_;
    control_ = value;
    if (!isDefined(value)) {
        ++undefinedControlWrites_;
    }
    if (faults.absent) {
        return;
    }
    if (resetAsserted(value)) {
        address_ = 0;
    } else if ((controlByte(previous) & ClockBit) != 0 && (controlByte(value) & ClockBit) == 0) {
        address_ = (address_ + 1) % RomSize; // the clock counts on its falling edge
    }
    const std::uint32_t address = outputAddress();
    if (previous == ControlValue::VoltageOn && value == ControlValue::Pulse) {
        ++pulses_;
        pulseRunning_ = true;
        pulseOver_ = false;
        statusReadsInPulse_ = 0;
        if (!faults.unprogrammable) {
            const std::uint8_t programmed = rom[address] & dataLatch_; // bits only go 1 -> 0
            romChanged_ = romChanged_ || programmed != rom[address];
            rom[address] = programmed;
        }
    }
    if (previous == ControlValue::Prelude && value == ControlValue::EmulatorStrobe &&
        emulatorPlugged) {
        emulatorChanged_ = emulatorChanged_ || emulator[address] != dataLatch_;
        emulator[address] = dataLatch_;
    }
}

void SimulatedBoard::writeData(std::uint8_t value) {
    if (faults.noDriver) {
        return;
    }
    dataLatch_ = value;
}

std::uint8_t SimulatedBoard::readData() {
    if (faults.noDriver) {
        return 0;
    }
    if (faults.absent) {
        return 0xFF;
    }
    if (control_ != ControlValue::ReadRom) {
        return dataLatch_; // the PC drives the lines and reads back its own byte
    }
    const std::uint32_t address = outputAddress();
    return throughDataLines(emulatorPlugged ? emulator[address] : readRomCell(address));
}

std::uint32_t SimulatedBoard::outputAddress() const {
    return (address_ & ~std::uint32_t{faults.addressStuckAtZero}) | faults.addressStuckAtOne;
}

std::uint8_t SimulatedBoard::readRomCell(std::uint32_t address) {
    std::uint8_t value = rom[address];
    for (std::size_t i = 0; i < faults.flakyCount; ++i) {
        if (faults.flaky[i].address == address && ++flakyReads_[i] % 2 == 0) {
            value ^= faults.flaky[i].mask;
        }
    }
    return value;
}

std::uint8_t SimulatedBoard::throughDataLines(std::uint8_t value) const {
    // A 0 on one line of a short pulls the other down; repeated, so that lines shorted in
    // a chain all follow.
    for (std::size_t pass = 0; pass < faults.shortCount; ++pass) {
        for (std::size_t i = 0; i < faults.shortCount; ++i) {
            const std::uint8_t pair = faults.shorts[i];
            if ((value & pair) != pair) {
                value = static_cast<std::uint8_t>(value & ~pair);
            }
        }
    }
    return static_cast<std::uint8_t>((value & ~faults.stuckAtZero) | faults.stuckAtOne);
}

std::uint8_t SimulatedBoard::readStatus() {
    if (faults.noDriver) {
        return 0;
    }
    if (faults.absent) {
        return static_cast<std::uint8_t>(~PulseOverMask);
    }
    if (pulseRunning_) {
        ++statusReadsInPulse_;
        if (timerAnswersOnRead != TimerNeverAnswers && statusReadsInPulse_ >= timerAnswersOnRead) {
            pulseRunning_ = false;
            pulseOver_ = true;
        }
    }
    return pulseOver_ ? static_cast<std::uint8_t>(StatusNoise | PulseOverMask) : StatusNoise;
}

bool SimulatedBoard::takeRomChanged() {
    return std::exchange(romChanged_, false);
}

bool SimulatedBoard::takeEmulatorChanged() {
    return std::exchange(emulatorChanged_, false);
}

} // namespace rfprog::sim
