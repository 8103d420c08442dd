// --port lpt1..lpt3, LPT1..LPT3 or a base address (decimal, or hexadecimal after 0x):
// raw port I/O on Linux, with --ecr; the port library on Windows. It exists on every
// system; each opens it in its own half of this backend (address_port_*.cpp).
//
// Open errors: on Linux RawAccessDenied, EcrMissing, Unsupported (no raw port I/O on this
// processor), Failed; on Windows LibraryMissing, DriverNotOpen.
#include "cli/ports/address_port.h"

#include "cli/typed_number.h"
#include "device/programmer_registers.h"

namespace rfprog::cli {

namespace {

struct NamedPort {
    std::string_view name;
    std::uint16_t base;
};

constexpr NamedPort NamedPorts[] = {
    {"lpt1", Lpt1Base}, {"lpt2", Lpt2Base}, {"lpt3", Lpt3Base},
    {"LPT1", Lpt1Base}, {"LPT2", Lpt2Base}, {"LPT3", Lpt3Base},
};

// Any text: a port's name or its base address.
std::optional<PortParse> parseAddress(std::string_view text, PortChoice& choice) {
    for (const NamedPort& port : NamedPorts) {
        if (text == port.name) {
            choice.base = port.base;
            return PortParse::Parsed;
        }
    }
    std::uint32_t base = 0;
    const NumberText read = readNumber(text, base);
    if (read == NumberText::NotNumber) {
        return PortParse::NamesNothing;
    }
    if (read == NumberText::TooLarge || !isUsablePortBase(base)) {
        return PortParse::UnusableBase;
    }
    choice.base = static_cast<std::uint16_t>(base);
    return PortParse::Parsed;
}

ExitStatus openAddress(const PortChoice& choice, std::string_view portText, const Console& console,
                       ProgrammerPort*& port) {
    const PortOpenError error = openAddressPort(choice, port);
    return error == PortOpenError::None
               ? ExitStatus::Success
               : reportOpenError(error, portText, console, portLibraryName());
}

ExitStatus closeAddress(const Console&) {
    closeAddressPort();
    return ExitStatus::Success;
}

} // namespace

const PortBackend BaseAddressBackend = {parseAddress, openAddress, closeAddress,
                                        PortBackend::TraceAt::Base, true};

} // namespace rfprog::cli
