// The hardware port on Windows: the port library, at any base address.
#include "cli/platform.h"
#include "device/inpout32.h"
#include "device/port_library.h"

namespace rfprog::cli {

namespace {

PortLibraryPort LibraryPort;

} // namespace

std::string_view defaultPortName() {
    return "lpt1";
}

std::string_view portLibraryName() {
    return RFPROG_PORT_LIBRARY;
}

// Port devices are a Linux matter; the port library needs no extended control register.
PortOpenError openHardwarePort(const PortChoice& choice, ProgrammerPort*& port) {
    port = nullptr;
    if (choice.kind != PortKind::Address) {
        return PortOpenError::Unsupported;
    }
    const PortOpenError error = LibraryPort.open(choice.base);
    if (error == PortOpenError::None) {
        port = &LibraryPort;
    }
    return error;
}

void closeHardwarePort() {
    LibraryPort.close();
}

} // namespace rfprog::cli
