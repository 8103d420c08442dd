#include "cli/port_choice.h"

#include "device/port_backend.h"
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

} // namespace

std::uint16_t PortChoice::traceBase() const {
    switch (kind) {
    case PortKind::Simulated:
        return Lpt1Base;
    case PortKind::Address:
        return base;
    case PortKind::Device:
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
    choice = PortChoice{};
    if (text == SimulatedName) {
        return PortParse::Parsed;
    }
    if (text.starts_with(SimulatedFilePrefix)) {
        choice.path = text;
        choice.path.remove_prefix(SimulatedFilePrefix.size());
        return choice.path.empty() ? PortParse::NamesNothing : PortParse::Parsed;
    }
    if (text.starts_with(DevicePrefix)) {
        choice.kind = PortKind::Device;
        choice.path = text;
        return text.size() > DevicePrefix.size() ? PortParse::Parsed : PortParse::NamesNothing;
    }
    choice.kind = PortKind::Address;
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

} // namespace rfprog::cli
