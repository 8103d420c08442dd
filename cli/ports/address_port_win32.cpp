// The base address on Windows: the port library, loaded at run time. It needs no extended
// control register.
#include "cli/ports/address_port.h"

#include "device/inpout32.h"
#include "device/port_library.h"

#include <optional>

namespace rfprog::cli {

namespace {

std::optional<PortLibraryPort<LoadedPortLibrary>> LibraryPort;

} // namespace

PortOpenError openAddressPort(const PortChoice& choice, ProgrammerPort*& port) {
    const PortOpenError error = LibraryPort.emplace(choice.base).library.load();
    port = error == PortOpenError::None ? &*LibraryPort : nullptr;
    return error;
}

void closeAddressPort() {
    if (LibraryPort) {
        LibraryPort->library.unload();
        LibraryPort.reset();
    }
}

std::string_view portLibraryName() {
    return RFPROG_PORT_LIBRARY;
}

} // namespace rfprog::cli
