// The simulated board's trace of port accesses ("W 37A 00", "R 378 FF", one line per
// access, in order) and builders for the exact traffic of the device operations, so
// that tests can compare whole sequences.
#pragma once

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace e2e {

inline constexpr std::uint16_t DataPort = 0x378;
inline constexpr std::uint16_t StatusPort = 0x379;
inline constexpr std::uint16_t ControlPort = 0x37A;

struct PortAccess {
    char direction = 'W'; // 'W' write, 'R' read
    std::uint16_t port = 0;
    std::uint8_t value = 0;

    bool operator==(const PortAccess&) const = default;
};

std::string toString(const PortAccess& access); // "W 37A 00"

class PortTrace {
  public:
    PortTrace() = default;
    explicit PortTrace(std::vector<PortAccess> accesses) : accesses_(std::move(accesses)) {}

    // Parses the trace file's text; nullopt (and the offending line in error) when a
    // line is not of the form "D PPP VV".
    static std::optional<PortTrace> parse(std::string_view text, std::string* error = nullptr);

    const std::vector<PortAccess>& accesses() const { return accesses_; }
    std::size_t size() const { return accesses_.size(); }
    bool empty() const { return accesses_.empty(); }
    const PortAccess& operator[](std::size_t i) const { return accesses_[i]; }

    // Accesses in [begin, end).
    std::vector<PortAccess> slice(std::size_t begin, std::size_t end = SIZE_MAX) const;
    std::size_t count(char direction, std::uint16_t port) const;
    std::size_t count(const PortAccess& access) const;
    // The value of the last control write, if any.
    std::optional<std::uint8_t> lastControl() const;

  private:
    std::vector<PortAccess> accesses_;
};

// Expected port traffic, built from the board primitives: reset, step, read, pulse.
class Traffic {
  public:
    Traffic& control(std::uint8_t value);
    Traffic& data(std::uint8_t value);
    Traffic& readData(std::uint8_t value);
    Traffic& readStatus(std::uint8_t value);
    Traffic& append(const Traffic& other);

    // resetAddress: control 0x02, 0x03, 0x02, 0x00.
    Traffic& resetAddress();
    // advanceAddress(count): count times control 0x00, 0x01, 0x00.
    Traffic& advanceAddress(std::uint32_t count);
    // readRomByte: control 0xAA, data read, control 0x00.
    Traffic& readRomByte(std::uint8_t value);
    // readRomBlock(romOffset, bytes): reset, advance, then per byte read + step.
    Traffic& readRomBlock(std::uint32_t romOffset, const std::vector<std::uint8_t>& bytes);

    const std::vector<PortAccess>& accesses() const { return accesses_; }
    std::size_t size() const { return accesses_.size(); }

  private:
    std::vector<PortAccess> accesses_;
};

// Compares two access sequences and, on a difference, reports the first differing
// position with a few accesses of context on either side (no giant vector dumps).
::testing::AssertionResult sameTraffic(const std::vector<PortAccess>& actual,
                                       const std::vector<PortAccess>& expected);

} // namespace e2e
