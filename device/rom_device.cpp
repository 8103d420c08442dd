#include "device/rom_device.h"

#include <algorithm>

namespace rfprog {

bool RomDevice::proceed(std::size_t bytesDone, std::size_t bytesTotal) {
    return observer_ == nullptr || observer_->byteDone(static_cast<std::uint32_t>(bytesDone),
                                                       static_cast<std::uint32_t>(bytesTotal));
}

void RomDevice::resetAddress() {
    port_.writeControl(ControlValue::Reset);
    port_.writeControl(ControlValue::ResetClock);
    port_.writeControl(ControlValue::Reset);
    port_.writeControl(ControlValue::Idle);
}

void RomDevice::advanceAddress(std::uint32_t count) {
    for (std::uint32_t i = 0; i < count; ++i) {
        port_.writeControl(ControlValue::Idle);
        port_.writeControl(ControlValue::Clock);
        port_.writeControl(ControlValue::Idle);
    }
}

std::uint8_t RomDevice::readRomByte() {
    port_.writeControl(ControlValue::ReadRom);
    const std::uint8_t value = port_.readData();
    port_.writeControl(ControlValue::Idle);
    return value;
}

void RomDevice::readRomBlock(std::span<std::uint8_t> buffer, std::uint32_t romOffset) {
    resetAddress();
    advanceAddress(romOffset);
    for (std::size_t i = 0; i < buffer.size(); ++i) {
        buffer[i] = readRomByte();
        advanceAddress(1);
        if (!proceed(i + 1, buffer.size())) {
            return;
        }
    }
}

int RomDevice::verifyRomBlock(std::span<const std::uint8_t> buffer, std::uint32_t romOffset) {
    resetAddress();
    advanceAddress(romOffset);
    for (std::size_t i = 0; i < buffer.size(); ++i) {
        if (readRomByte() != buffer[i]) {
            return -1; // no step after the differing byte
        }
        advanceAddress(1);
        if (!proceed(i + 1, buffer.size())) {
            return -1; // stopped: the block was not compared to its end
        }
    }
    return 0;
}

int RomDevice::blankCheck() {
    resetAddress();
    for (std::uint32_t address = 0; address < RomSize; ++address) {
        const std::uint8_t value = readRomByte();
        if (value != ErasedByte) {
            return value + 1; // 1 to 255, never 0
        }
        advanceAddress(1);
        if (!proceed(address + 1, RomSize)) {
            return -1; // stopped: not known to be erased
        }
    }
    return 0;
}

bool RomDevice::waitForPulseEnd() {
    const std::uint32_t start = clock_();
    for (;;) {
        for (std::uint32_t i = 0; i < StatusReadsPerClockCheck; ++i) {
            if ((port_.readStatus() & PulseOverMask) != 0) {
                return true;
            }
        }
        if (clock_() - start >= PulseTimeoutMs) {
            return false;
        }
    }
}

ProgrammingResult RomDevice::programRomBlock(std::span<const std::uint8_t> buffer,
                                             std::uint32_t romOffset) {
    return programBytes(buffer, {}, static_cast<std::uint32_t>(buffer.size()), romOffset);
}

ProgrammingResult RomDevice::programSelectedBytes(std::span<const std::uint8_t> buffer,
                                                  std::span<const bool> pulse,
                                                  std::uint32_t romOffset) {
    const auto marked = static_cast<std::uint32_t>(std::count(pulse.begin(), pulse.end(), true));
    if (marked == 0) {
        ProgrammingResult nothing; // nothing to program: the voltage stays off
        nothing.stoppedAt = romOffset + static_cast<std::uint32_t>(buffer.size());
        return nothing;
    }
    return programBytes(buffer, pulse, marked, romOffset);
}

ProgrammingResult RomDevice::programBytes(std::span<const std::uint8_t> buffer,
                                          std::span<const bool> pulse, std::uint32_t pulsesMarked,
                                          std::uint32_t romOffset) {
    resetAddress();
    advanceAddress(romOffset);
    port_.writeControl(ControlValue::Prelude);
    port_.writeControl(ControlValue::VoltageOn);
    ProgrammingResult result;
    result.stoppedAt = romOffset + static_cast<std::uint32_t>(buffer.size());
    for (std::size_t i = 0; i < buffer.size(); ++i) {
        const auto address = romOffset + static_cast<std::uint32_t>(i);
        if (pulse.empty() || pulse[i]) {
            port_.writeData(buffer[i]);
            port_.writeControl(ControlValue::Pulse);
            if (!waitForPulseEnd()) {
                // A silent timer must not leave the voltage on, nor pulse again.
                result.timerSilent = true;
                result.stoppedAt = address;
                break;
            }
            ++result.pulsesGiven;
        }
        port_.writeControl(ControlValue::VoltageClock);
        port_.writeControl(ControlValue::VoltageOn);
        if (!proceed(result.pulsesGiven, pulsesMarked)) {
            // Stopped: the voltage goes off as on a silent timer.
            result.interrupted = i + 1 < buffer.size();
            result.stoppedAt = address + 1;
            break;
        }
    }
    port_.writeControl(ControlValue::Idle);
    return result;
}

void RomDevice::loadEmulatorBlock(std::span<const std::uint8_t> buffer, std::uint32_t romOffset) {
    resetAddress();
    advanceAddress(romOffset);
    for (std::size_t i = 0; i < buffer.size(); ++i) {
        port_.writeData(buffer[i]);
        port_.writeControl(ControlValue::Prelude);
        port_.writeControl(ControlValue::EmulatorStrobe);
        port_.writeControl(ControlValue::Prelude);
        port_.writeControl(ControlValue::Idle);
        advanceAddress(1);
        if (!proceed(i + 1, buffer.size())) {
            return;
        }
    }
}

int RomDevice::testPulseTimer() {
    port_.writeControl(ControlValue::Prelude);
    port_.writeControl(ControlValue::VoltageOn);
    port_.writeControl(ControlValue::Pulse);
    for (int readsLeft = PulseTimerReads; readsLeft > 0; --readsLeft) {
        if ((port_.readStatus() & PulseOverMask) != 0) {
            return readsLeft;
        }
    }
    return 0;
}

void RomDevice::holdProgrammingVoltage() {
    port_.writeControl(ControlValue::Pulse);
}

void RomDevice::switchOff() {
    port_.writeControl(ControlValue::Idle);
}

} // namespace rfprog
