// Port traffic as every suite sees it: one access is a direction, a port address and a
// byte, written as the board's trace line ("W 37A 00", "R D010 AB"; four digits above
// 0xFFF). One printer and one parser for that text, and builders of the traffic that the
// board's register contract gives each step, so that expected traffic is written out
// here and never taken from the code under test. Header-only, so that the native suites
// and the Win32 end-to-end harness share it.
#pragma once

#include "device/programmer_registers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <ostream>
#include <span>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

namespace rfprog::test {

struct PortAccess {
    char direction = 'W'; // 'W' write, 'R' read
    std::uint16_t port = 0;
    std::uint8_t value = 0;

    bool operator==(const PortAccess&) const = default;
};

// The board's registers at LPT1.
inline PortAccess ctl(std::uint8_t value) {
    return {'W', ControlRegister, value};
}
inline PortAccess dataOut(std::uint8_t value) {
    return {'W', DataRegister, value};
}
inline PortAccess dataIn(std::uint8_t value) {
    return {'R', DataRegister, value};
}
inline PortAccess statusIn(std::uint8_t value) {
    return {'R', StatusRegister, value};
}

// "W 37A 00", without the line feed.
inline std::string toString(const PortAccess& access) {
    constexpr char Hex[] = "0123456789ABCDEF";
    std::string text{access.direction, ' '};
    for (int shift = access.port > 0xFFF ? 12 : 8; shift >= 0; shift -= 4) {
        text += Hex[(access.port >> shift) & 0xF];
    }
    text += ' ';
    text += Hex[access.value >> 4];
    text += Hex[access.value & 0xF];
    return text;
}

inline std::ostream& operator<<(std::ostream& out, const PortAccess& access) {
    return out << toString(access);
}

// The accesses as a trace file holds them, one line each.
inline std::string traceText(std::span<const PortAccess> accesses) {
    std::string text;
    for (const PortAccess& access : accesses) {
        text += toString(access) + "\n";
    }
    return text;
}

inline std::size_t countAccesses(std::span<const PortAccess> accesses, char direction,
                                 std::uint16_t port) {
    return static_cast<std::size_t>(
        std::count_if(accesses.begin(), accesses.end(), [&](const PortAccess& access) {
            return access.direction == direction && access.port == port;
        }));
}

// The value of the last write to the control register, if any.
inline std::optional<std::uint8_t> lastControlWrite(std::span<const PortAccess> accesses) {
    for (auto it = accesses.rbegin(); it != accesses.rend(); ++it) {
        if (it->direction == 'W' && it->port == ControlRegister) {
            return it->value;
        }
    }
    return std::nullopt;
}

// One trace line, with or without its line feed or a carriage return; nullopt when it is
// not "D PPP VV" or "D PPPP VV" in upper-case hex.
inline std::optional<PortAccess> parseTraceLine(std::string_view line) {
    if (!line.empty() && line.back() == '\r') {
        line.remove_suffix(1);
    }
    const auto hex = [](char c) {
        return c >= '0' && c <= '9' ? c - '0' : c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
    };
    const std::size_t portDigits = line.size() - 5;
    if ((line.size() != 8 && line.size() != 9) || (line[0] != 'W' && line[0] != 'R') ||
        line[1] != ' ' || line[2 + portDigits] != ' ') {
        return std::nullopt;
    }
    unsigned port = 0;
    for (std::size_t i = 0; i < portDigits; ++i) {
        const int digit = hex(line[2 + i]);
        if (digit < 0) {
            return std::nullopt;
        }
        port = port << 4 | static_cast<unsigned>(digit);
    }
    // Four digits are written only above 0xFFF.
    if (portDigits == 4 && port <= 0xFFF) {
        return std::nullopt;
    }
    const int high = hex(line[line.size() - 2]);
    const int low = hex(line[line.size() - 1]);
    if (high < 0 || low < 0) {
        return std::nullopt;
    }
    return PortAccess{line[0], static_cast<std::uint16_t>(port),
                      static_cast<std::uint8_t>(high << 4 | low)};
}

// A trace file's accesses, in order.
class PortTrace {
  public:
    PortTrace() = default;
    explicit PortTrace(std::vector<PortAccess> accesses) : accesses_(std::move(accesses)) {}

    // Parses the trace file's text; nullopt (and the offending line in error) when a
    // line is not a trace line.
    static std::optional<PortTrace> parse(std::string_view text, std::string* error = nullptr) {
        std::vector<PortAccess> accesses;
        accesses.reserve(text.size() / 9 + 1);
        std::size_t lineNumber = 0;
        while (!text.empty()) {
            ++lineNumber;
            const std::size_t end = text.find('\n');
            const std::string_view line = text.substr(0, end);
            text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
            const auto access = parseTraceLine(line);
            if (!access) {
                if (error != nullptr) {
                    *error =
                        "line " + std::to_string(lineNumber) + ": \"" + std::string(line) + "\"";
                }
                return std::nullopt;
            }
            accesses.push_back(*access);
        }
        return PortTrace(std::move(accesses));
    }

    const std::vector<PortAccess>& accesses() const { return accesses_; }
    std::size_t size() const { return accesses_.size(); }
    bool empty() const { return accesses_.empty(); }
    const PortAccess& operator[](std::size_t i) const { return accesses_[i]; }

    // Accesses in [begin, end).
    std::vector<PortAccess> slice(std::size_t begin, std::size_t end = SIZE_MAX) const {
        end = std::min(end, accesses_.size());
        begin = std::min(begin, end);
        return {accesses_.begin() + static_cast<std::ptrdiff_t>(begin),
                accesses_.begin() + static_cast<std::ptrdiff_t>(end)};
    }
    std::size_t count(char direction, std::uint16_t port) const {
        return countAccesses(accesses_, direction, port);
    }
    std::size_t count(const PortAccess& access) const {
        return static_cast<std::size_t>(std::count(accesses_.begin(), accesses_.end(), access));
    }
    std::optional<std::uint8_t> lastControl() const { return lastControlWrite(accesses_); }

  private:
    std::vector<PortAccess> accesses_;
};

// Expected port traffic at LPT1, built from the board's primitives up to whole operations.
class Traffic {
  public:
    Traffic& control(std::uint8_t value) { return add(ctl(value)); }
    Traffic& data(std::uint8_t value) { return add(dataOut(value)); }
    Traffic& readData(std::uint8_t value) { return add(dataIn(value)); }
    Traffic& readStatus(std::uint8_t value) { return add(statusIn(value)); }
    Traffic& append(const Traffic& other) {
        accesses_.insert(accesses_.end(), other.accesses_.begin(), other.accesses_.end());
        return *this;
    }

    // Control 0x02, 0x03, 0x02, 0x00.
    Traffic& resetAddress() { return control(0x02).control(0x03).control(0x02).control(0x00); }
    // count times control 0x00, 0x01, 0x00.
    Traffic& advanceAddress(std::uint32_t count) {
        for (std::uint32_t i = 0; i < count; ++i) {
            control(0x00).control(0x01).control(0x00);
        }
        return *this;
    }
    // Control 0xAA, the data read, control 0x00.
    Traffic& readRomByte(std::uint8_t value) { return control(0xAA).readData(value).control(0x00); }

    // Reset, advance to romOffset, then per byte a read and a step.
    Traffic& readRomBlock(std::uint32_t romOffset, std::span<const std::uint8_t> bytes) {
        resetAddress().advanceAddress(romOffset);
        for (const std::uint8_t byte : bytes) {
            readRomByte(byte).advanceAddress(1);
        }
        return *this;
    }
    // The blank check over what the ROM holds: up to the first byte that is not 0xFF,
    // with no step after it, or over the whole ROM.
    Traffic& blankCheck(std::span<const std::uint8_t> rom) {
        resetAddress();
        for (const std::uint8_t byte : rom) {
            readRomByte(byte);
            if (byte != ErasedByte) {
                break;
            }
            advanceAddress(1);
        }
        return *this;
    }
    // The verification that stops right after the first byte read back that differs from
    // expected; rom is the whole ROM as the board reads it.
    Traffic& verifyRomBlock(std::uint32_t romOffset, std::span<const std::uint8_t> rom,
                            std::span<const std::uint8_t> expected) {
        resetAddress().advanceAddress(romOffset);
        for (std::size_t i = 0; i < expected.size(); ++i) {
            const std::uint8_t byte = rom[romOffset + i];
            readRomByte(byte);
            if (byte != expected[i]) {
                break;
            }
            advanceAddress(1);
        }
        return *this;
    }
    // Programming with a timer that answers on the first status read, which reads
    // statusPulseOver.
    Traffic& programRomBlock(std::uint32_t romOffset, std::span<const std::uint8_t> block,
                             std::uint8_t statusPulseOver) {
        resetAddress().advanceAddress(romOffset).control(0x08).control(0x0C);
        for (const std::uint8_t byte : block) {
            data(byte).control(0x04).readStatus(statusPulseOver).control(0x0D).control(0x0C);
        }
        return control(0x00);
    }
    // Per byte: the data, the strobe 0x08, 0x0A, 0x08, control 0x00 and a step.
    Traffic& loadEmulatorBlock(std::uint32_t romOffset, std::span<const std::uint8_t> block) {
        resetAddress().advanceAddress(romOffset);
        for (const std::uint8_t byte : block) {
            data(byte).control(0x08).control(0x0A).control(0x08).control(0x00).advanceAddress(1);
        }
        return *this;
    }
    // The start of the timer test: control 0x08, 0x0C, 0x04.
    Traffic& timerPrelude() { return control(0x08).control(0x0C).control(0x04); }

    const std::vector<PortAccess>& accesses() const { return accesses_; }
    std::size_t size() const { return accesses_.size(); }

  private:
    Traffic& add(const PortAccess& access) {
        accesses_.push_back(access);
        return *this;
    }

    std::vector<PortAccess> accesses_;
};

// Compares two access sequences and, on a difference, reports the first differing
// position with a few accesses of context on either side (no giant vector dumps).
inline ::testing::AssertionResult sameTraffic(const std::vector<PortAccess>& actual,
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

} // namespace rfprog::test
