#include "device/inpout32_port.h"

#include "device/inpout32.h"
#include "device/port_library.h"

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
    return portLibraryDriverOpen(GetModuleHandleA(RFPROG_PORT_LIBRARY));
}

} // namespace rfprog
