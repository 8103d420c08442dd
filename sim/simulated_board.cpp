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
    if (previous == ControlValue::VoltageOn && value == ControlValue::Pulse) {
        ++pulses_;
        pulseRunning_ = true;
        pulseOver_ = false;
        statusReadsInPulse_ = 0;
        if (!faults.unprogrammable) {
            const std::uint8_t programmed = rom[address_] & dataLatch_; // bits only go 1 -> 0
            romChanged_ = romChanged_ || programmed != rom[address_];
            rom[address_] = programmed;
        }
    }
    if (previous == ControlValue::Prelude && value == ControlValue::EmulatorStrobe &&
        emulatorPlugged) {
        emulatorChanged_ = emulatorChanged_ || emulator[address_] != dataLatch_;
        emulator[address_] = dataLatch_;
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
    if (emulatorPlugged) {
        return emulator[address_];
    }
    return static_cast<std::uint8_t>((rom[address_] & ~faults.stuckAtZero) | faults.stuckAtOne);
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
