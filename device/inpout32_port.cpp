#include "device/inpout32_port.h"

#include "device/inpout32.h"

#include <windows.h>

namespace rfprog {

void Inpout32Port::writeControl(ControlValue value) {
    Out32(ControlRegister, controlByte(value));
}

void Inpout32Port::writeData(std::uint8_t value) {
    Out32(DataRegister, value);
}

std::uint8_t Inpout32Port::readData() {
    return static_cast<std::uint8_t>(Inp32(DataRegister));
}

std::uint8_t Inpout32Port::readStatus() {
    return static_cast<std::uint8_t>(Inp32(StatusRegister));
}

bool Inpout32Port::driverOpen() {
    using DriverCheck = BOOL(WINAPI*)();
    const FARPROC found =
        GetProcAddress(GetModuleHandleA(RFPROG_PORT_LIBRARY), RFPROG_DRIVER_CHECK_EXPORT);
    if (found == nullptr) {
        return true;
    }
    // Through the generic function type, which converts to any other without a warning.
    const auto check = reinterpret_cast<DriverCheck>(reinterpret_cast<void (*)()>(found));
    return check() != FALSE;
}

} // namespace rfprog
