// The hardware ports on Linux: a port device (/dev/parportN) through the kernel's
// driver, or raw port I/O at a base address (lpt1..lpt3, 0xNNNN, with --ecr).
#include "cli/platform.h"
#include "device/ppdev_port.h"
#include "device/raw_io_port.h"

#include <algorithm>
#include <array>

namespace rfprog::cli {

std::string_view defaultPortName() {
    return "/dev/parport0";
}

std::string_view portLibraryName() {
    return {}; // no port library on this system
}

namespace {

// One of each, open for the program's run; both set the board idle themselves on open
// and on close.
PpdevPort DevicePort;
RawIoPort AddressPort;

} // namespace

PortOpenError openDevicePort(const PortChoice& choice, ProgrammerPort*& port) {
    std::array<char, 4096> path{}; // PATH_MAX, with its terminating zero
    if (choice.path.size() >= path.size()) {
        return PortOpenError::DeviceMissing;
    }
    std::copy(choice.path.begin(), choice.path.end(), path.begin());
    const PortOpenError error = DevicePort.open(path.data());
    port = error == PortOpenError::None ? &DevicePort : nullptr;
    return error;
}

void closeDevicePort() {
    DevicePort.close();
}

PortOpenError openAddressPort(const PortChoice& choice, ProgrammerPort*& port) {
    const PortOpenError error = AddressPort.open(choice.base, choice.ecr);
    port = error == PortOpenError::None ? &AddressPort : nullptr;
    return error;
}

void closeAddressPort() {
    AddressPort.close();
}

} // namespace rfprog::cli
