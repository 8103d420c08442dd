// The text form of one port access, shared by every port trace: "W 37A 00" for a
// write, "R 378 FF" for a read, and a line feed. Addresses above 0xFFF take four
// digits, so cards at high addresses trace as they are.
#pragma once

#include "core/rom_basics.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace rfprog {

enum class PortAccess : char { Write = 'W', Read = 'R' };

class PortTraceLine {
  public:
    constexpr PortTraceLine(PortAccess access, std::uint16_t port, std::uint8_t value) {
        text_[size_++] = static_cast<char>(access);
        text_[size_++] = ' ';
        for (int shift = port > 0xFFF ? 12 : 8; shift >= 0; shift -= 4) {
            text_[size_++] = HexDigits[(port >> shift) & 0xF];
        }
        text_[size_++] = ' ';
        text_[size_++] = HexDigits[value >> 4];
        text_[size_++] = HexDigits[value & 0xF];
        text_[size_++] = '\n';
    }

    constexpr std::string_view text() const { return {text_.data(), size_}; }

  private:
    std::array<char, 10> text_{};
    std::size_t size_ = 0;
};

static_assert(PortTraceLine(PortAccess::Write, 0x37A, 0x00).text() == "W 37A 00\n");
static_assert(PortTraceLine(PortAccess::Read, 0xD010, 0xAB).text() == "R D010 AB\n");

} // namespace rfprog
