// The base address on Linux: raw port I/O, with the extended control register at --ecr.
#include "cli/ports/address_port.h"

#include "device/raw_io_port.h"

namespace rfprog::cli {

namespace {

// Open for the program's run; it sets the board idle itself on open and on close.
RawIoPort AddressPort;

} // namespace

PortOpenError openAddressPort(const PortChoice& choice, ProgrammerPort*& port) {
    const PortOpenError error = AddressPort.open(choice.base, choice.ecr);
    port = error == PortOpenError::None ? &AddressPort : nullptr;
    return error;
}

void closeAddressPort() {
    AddressPort.close();
}

std::string_view portLibraryName() {
    return {}; // no port library on this system
}

} // namespace rfprog::cli
