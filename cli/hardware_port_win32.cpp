// The hardware port on Windows: the port library, at any base address.
#include "cli/platform.h"
#include "device/inpout32.h"
#include "device/port_library.h"

#include <optional>

namespace rfprog::cli {

namespace {

std::optional<PortLibraryPort<LoadedPortLibrary>> LibraryPort;

} // namespace

std::string_view defaultPortName() {
    return "lpt1";
}

std::string_view portLibraryName() {
    return RFPROG_PORT_LIBRARY;
}

// The port library needs no extended control register.
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

} // namespace rfprog::cli
