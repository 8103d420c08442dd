#include "cli/ports/port_backend.h"

#include "device/programmer_registers.h"

namespace rfprog::cli {

namespace {

// In the order the --port text is matched: the base address takes whatever is left.
constexpr const PortBackend* PortBackends[] = {
    &SimulatedBoardBackend,
    &PortDeviceBackend,
    &BaseAddressBackend,
};

} // namespace

PortParse parsePortChoice(std::string_view text, PortChoice& choice) {
    for (const PortBackend* backend : PortBackends) {
        choice = PortChoice{};
        choice.backend = backend;
        if (const auto parsed = backend->parse(text, choice)) {
            return *parsed;
        }
    }
    return PortParse::NamesNothing; // not reached: the base address takes any text
}

ExitStatus openPort(const PortChoice& choice, std::string_view portText, const Console& console,
                    ProgrammerPort*& port) {
    port = nullptr;
    if (choice.backend->open == nullptr) {
        return reportOpenError(PortOpenError::Unsupported, portText, console);
    }
    return choice.backend->open(choice, portText, console, port);
}

std::uint16_t PortChoice::traceBase() const {
    switch (backend->traceAt) {
    case PortBackend::TraceAt::Lpt1:
        return Lpt1Base;
    case PortBackend::TraceAt::Base:
        return base;
    case PortBackend::TraceAt::Offsets:
        break;
    }
    return 0;
}

std::string_view defaultPortName() {
#ifdef _WIN32
    return "lpt1";
#else
    return "/dev/parport0";
#endif
}

ExitStatus reportOpenError(PortOpenError error, std::string_view portText, const Console& console,
                           std::string_view library) {
    Line sentence;
    sentence.format(console.text(portErrorText(error)), {library});
    console.error(Text::PortError, {portText, sentence.view()});
    return ExitStatus::Port;
}

} // namespace rfprog::cli
