#include "device/rom_device.h"

namespace rfprog {

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
    for (std::uint8_t& byte : buffer) {
        byte = readRomByte();
        advanceAddress(1);
    }
}

int RomDevice::verifyRomBlock(std::span<const std::uint8_t> buffer, std::uint32_t romOffset) {
    resetAddress();
    advanceAddress(romOffset);
    for (const std::uint8_t expected : buffer) {
        if (readRomByte() != expected) {
            return -1; // no step after the differing byte
        }
        advanceAddress(1);
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

void RomDevice::programRomBlock(std::span<const std::uint8_t> buffer, std::uint32_t romOffset) {
    resetAddress();
    advanceAddress(romOffset);
    port_.writeControl(ControlValue::Prelude);
    port_.writeControl(ControlValue::VoltageOn);
    for (const std::uint8_t byte : buffer) {
        port_.writeData(byte);
        port_.writeControl(ControlValue::Pulse);
        if (!waitForPulseEnd()) {
            break; // a silent timer must not leave the voltage on; verification reports it
        }
        port_.writeControl(ControlValue::VoltageClock);
        port_.writeControl(ControlValue::VoltageOn);
    }
    port_.writeControl(ControlValue::Idle);
}

void RomDevice::loadEmulatorBlock(std::span<const std::uint8_t> buffer, std::uint32_t romOffset) {
    resetAddress();
    advanceAddress(romOffset);
    for (const std::uint8_t byte : buffer) {
        port_.writeData(byte);
        port_.writeControl(ControlValue::Prelude);
        port_.writeControl(ControlValue::EmulatorStrobe);
        port_.writeControl(ControlValue::Prelude);
        port_.writeControl(ControlValue::Idle);
        advanceAddress(1);
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
