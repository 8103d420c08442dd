// The hardware ports on Linux: a port device (/dev/parportN) or raw port I/O at a base
// address (lpt1..lpt3, 0xNNNN, with --ecr). Their backends come separately.
#include "cli/platform.h"

namespace rfprog::cli {

std::string_view defaultPortName() {
    return "/dev/parport0";
}

std::string_view portLibraryName() {
    return {}; // no port library on this system
}

// === Hardware backends on Linux: one case per backend. ===
// PortKind::Device opens a PpdevPort on choice.path; PortKind::Address opens a RawIoPort
// on choice.base with choice.ecr. Both set the board idle themselves on open and close.
// Until they are here, both kinds answer Unsupported.
PortOpenError openHardwarePort(const PortChoice& choice, ProgrammerPort*& port) {
    port = nullptr;
    switch (choice.kind) {
    case PortKind::Device:
    case PortKind::Address:
    case PortKind::Simulated:
        break;
    }
    return PortOpenError::Unsupported;
}

void closeHardwarePort() {}

} // namespace rfprog::cli
