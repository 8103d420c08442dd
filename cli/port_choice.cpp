#include "cli/port_choice.h"

#include "cli/platform.h"
#include "cli/sim_port.h"
#include "device/port_open_error.h"
#include "device/programmer_registers.h"

#include <charconv>

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

constexpr std::string_view SimulatedName = "sim";
constexpr std::string_view SimulatedFilePrefix = "sim:";
constexpr std::string_view DevicePrefix = "/dev/";

std::optional<PortParse> parseSimulated(std::string_view text, PortChoice& choice) {
    if (text == SimulatedName) {
        return PortParse::Parsed;
    }
    if (!text.starts_with(SimulatedFilePrefix)) {
        return std::nullopt;
    }
    choice.path = text;
    choice.path.remove_prefix(SimulatedFilePrefix.size());
    return choice.path.empty() ? PortParse::NamesNothing : PortParse::Parsed;
}

std::optional<PortParse> parseDevice(std::string_view text, PortChoice& choice) {
    if (!text.starts_with(DevicePrefix)) {
        return std::nullopt;
    }
    choice.path = text;
    return text.size() > DevicePrefix.size() ? PortParse::Parsed : PortParse::NamesNothing;
}

// Any other text: a port's name or its base address.
std::optional<PortParse> parseAddress(std::string_view text, PortChoice& choice) {
    for (const NamedPort& port : NamedPorts) {
        if (text == port.name) {
            choice.base = port.base;
            return PortParse::Parsed;
        }
    }
    const auto base = parseNumber(text);
    if (!base) {
        return PortParse::NamesNothing;
    }
    if (!isUsablePortBase(*base)) {
        return PortParse::UnusableBase;
    }
    choice.base = static_cast<std::uint16_t>(*base);
    return PortParse::Parsed;
}

ExitStatus reportOpenError(PortOpenError error, std::string_view portText, const Console& console) {
    Line sentence;
    sentence.format(console.text(portErrorText(error)), {portLibraryName()});
    console.error(Text::PortError, {portText, sentence.view()});
    return ExitStatus::Port;
}

// A hardware port: its open error is reported with the port as typed.
template <PortOpenError (*Open)(const PortChoice&, ProgrammerPort*&)>
ExitStatus openHardware(const PortChoice& choice, std::string_view portText, const Console& console,
                        ProgrammerPort*& port) {
    const PortOpenError error = Open(choice, port);
    return error == PortOpenError::None ? ExitStatus::Success
                                        : reportOpenError(error, portText, console);
}

template <void (*Close)()>
ExitStatus closeHardware(const Console&) {
    Close();
    return ExitStatus::Success;
}

// Port devices are a Linux matter.
#ifdef _WIN32
#define RFPROG_LINUX_ONLY(function) nullptr
#else
#define RFPROG_LINUX_ONLY(function) function
#endif

// In the order the --port text is matched: the address takes whatever is left.
constexpr PortBackend PortBackends[] = {
    {PortKind::Simulated, parseSimulated, openSimulatedPort, closeSimulatedPort,
     PortBackend::TraceAt::Lpt1},
    {PortKind::Device, parseDevice, RFPROG_LINUX_ONLY(openHardware<openDevicePort>),
     RFPROG_LINUX_ONLY(closeHardware<closeDevicePort>), PortBackend::TraceAt::Offsets},
    {PortKind::Address, parseAddress, openHardware<openAddressPort>,
     closeHardware<closeAddressPort>, PortBackend::TraceAt::Base},
};

ExitStatus notOnThisSystem(const PortChoice&, std::string_view portText, const Console& console,
                           ProgrammerPort*&) {
    return reportOpenError(PortOpenError::Unsupported, portText, console);
}

} // namespace

const PortBackend& portBackend(PortKind kind) {
    for (const PortBackend& backend : PortBackends) {
        if (backend.kind == kind) {
            return backend;
        }
    }
    return PortBackends[0]; // every kind has its entry
}

ExitStatus openPort(const PortChoice& choice, std::string_view portText, const Console& console,
                    ProgrammerPort*& port) {
    const PortBackend& backend = portBackend(choice.kind);
    port = nullptr;
    return (backend.open != nullptr ? backend.open : notOnThisSystem)(choice, portText, console,
                                                                      port);
}

std::uint16_t PortChoice::traceBase() const {
    switch (portBackend(kind).traceAt) {
    case PortBackend::TraceAt::Lpt1:
        return Lpt1Base;
    case PortBackend::TraceAt::Base:
        return base;
    case PortBackend::TraceAt::Offsets:
        break;
    }
    return 0;
}

std::optional<std::uint32_t> parseNumber(std::string_view text) {
    int radix = 10;
    if (text.starts_with("0x") || text.starts_with("0X")) {
        text.remove_prefix(2);
        radix = 16;
    }
    std::uint32_t value = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value, radix);
    if (text.empty() || error != std::errc() || stop != end) {
        return std::nullopt;
    }
    return value;
}

PortParse parsePortChoice(std::string_view text, PortChoice& choice) {
    for (const PortBackend& backend : PortBackends) {
        choice = PortChoice{};
        choice.kind = backend.kind;
        if (const auto parsed = backend.parse(text, choice)) {
            return *parsed;
        }
    }
    return PortParse::NamesNothing; // not reached: the address takes any text
}

} // namespace rfprog::cli
