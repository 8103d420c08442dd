#include "tests/e2e/port_trace.h"

#include <algorithm>
#include <sstream>

namespace e2e {

namespace {

int hexValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

std::optional<PortAccess> parseLine(std::string_view line) {
    if (!line.empty() && line.back() == '\r') {
        line.remove_suffix(1);
    }
    if (line.size() != 8 || (line[0] != 'W' && line[0] != 'R') || line[1] != ' ' ||
        line[5] != ' ') {
        return std::nullopt;
    }
    int digits[5];
    const std::size_t positions[5] = {2, 3, 4, 6, 7};
    for (int i = 0; i < 5; ++i) {
        digits[i] = hexValue(line[positions[i]]);
        if (digits[i] < 0) {
            return std::nullopt;
        }
    }
    PortAccess access;
    access.direction = line[0];
    access.port = static_cast<std::uint16_t>(digits[0] << 8 | digits[1] << 4 | digits[2]);
    access.value = static_cast<std::uint8_t>(digits[3] << 4 | digits[4]);
    return access;
}

} // namespace

std::string toString(const PortAccess& access) {
    constexpr char Hex[] = "0123456789ABCDEF";
    std::string text = {
        access.direction,       ' ', Hex[(access.port >> 8) & 0xF],  Hex[(access.port >> 4) & 0xF],
        Hex[access.port & 0xF], ' ', Hex[(access.value >> 4) & 0xF], Hex[access.value & 0xF]};
    return text;
}

std::optional<PortTrace> PortTrace::parse(std::string_view text, std::string* error) {
    std::vector<PortAccess> accesses;
    accesses.reserve(text.size() / 9 + 1);
    std::size_t lineNumber = 0;
    while (!text.empty()) {
        ++lineNumber;
        const std::size_t end = text.find('\n');
        const std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        const auto access = parseLine(line);
        if (!access) {
            if (error != nullptr) {
                *error = "line " + std::to_string(lineNumber) + ": \"" + std::string(line) + "\"";
            }
            return std::nullopt;
        }
        accesses.push_back(*access);
    }
    return PortTrace(std::move(accesses));
}

std::vector<PortAccess> PortTrace::slice(std::size_t begin, std::size_t end) const {
    end = std::min(end, accesses_.size());
    begin = std::min(begin, end);
    return {accesses_.begin() + static_cast<std::ptrdiff_t>(begin),
            accesses_.begin() + static_cast<std::ptrdiff_t>(end)};
}

std::size_t PortTrace::count(char direction, std::uint16_t port) const {
    return static_cast<std::size_t>(
        std::count_if(accesses_.begin(), accesses_.end(), [&](const PortAccess& access) {
            return access.direction == direction && access.port == port;
        }));
}

std::size_t PortTrace::count(const PortAccess& access) const {
    return static_cast<std::size_t>(std::count(accesses_.begin(), accesses_.end(), access));
}

std::optional<std::uint8_t> PortTrace::lastControl() const {
    for (auto it = accesses_.rbegin(); it != accesses_.rend(); ++it) {
        if (it->direction == 'W' && it->port == ControlPort) {
            return it->value;
        }
    }
    return std::nullopt;
}

Traffic& Traffic::control(std::uint8_t value) {
    accesses_.push_back({'W', ControlPort, value});
    return *this;
}

Traffic& Traffic::data(std::uint8_t value) {
    accesses_.push_back({'W', DataPort, value});
    return *this;
}

Traffic& Traffic::readData(std::uint8_t value) {
    accesses_.push_back({'R', DataPort, value});
    return *this;
}

Traffic& Traffic::readStatus(std::uint8_t value) {
    accesses_.push_back({'R', StatusPort, value});
    return *this;
}

Traffic& Traffic::append(const Traffic& other) {
    accesses_.insert(accesses_.end(), other.accesses_.begin(), other.accesses_.end());
    return *this;
}

Traffic& Traffic::resetAddress() {
    return control(0x02).control(0x03).control(0x02).control(0x00);
}

Traffic& Traffic::advanceAddress(std::uint32_t count) {
    for (std::uint32_t i = 0; i < count; ++i) {
        control(0x00).control(0x01).control(0x00);
    }
    return *this;
}

Traffic& Traffic::readRomByte(std::uint8_t value) {
    return control(0xAA).readData(value).control(0x00);
}

Traffic& Traffic::readRomBlock(std::uint32_t romOffset, const std::vector<std::uint8_t>& bytes) {
    resetAddress().advanceAddress(romOffset);
    for (const std::uint8_t byte : bytes) {
        readRomByte(byte).advanceAddress(1);
    }
    return *this;
}

::testing::AssertionResult sameTraffic(const std::vector<PortAccess>& actual,
                                       const std::vector<PortAccess>& expected) {
    const std::size_t common = std::min(actual.size(), expected.size());
    std::size_t first = 0;
    while (first < common && actual[first] == expected[first]) {
        ++first;
    }
    if (first == common && actual.size() == expected.size()) {
        return ::testing::AssertionSuccess();
    }
    std::ostringstream out;
    out << "port traffic differs at access #" << first << " (actual " << actual.size()
        << " accesses, expected " << expected.size() << ")\n";
    const std::size_t from = first >= 3 ? first - 3 : 0;
    for (std::size_t i = from; i < first + 4; ++i) {
        out << "  #" << i << ": actual "
            << (i < actual.size() ? toString(actual[i]) : std::string("(none)  ")) << "  expected "
            << (i < expected.size() ? toString(expected[i]) : std::string("(none)")) << "\n";
    }
    return ::testing::AssertionFailure() << out.str();
}

} // namespace e2e
