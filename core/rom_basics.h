// What every part of both programs knows about the ROM and writes about it: its size, the
// value of an erased cell, and the digits of every hexadecimal number (trace lines,
// reports, records and checksums). Below device/ and image/, which both use it.
#pragma once

#include <cstdint>

namespace rfprog {

inline constexpr std::uint32_t RomSize = 2048; // addresses 0x000 to 0x7FF
inline constexpr std::uint8_t ErasedByte = 0xFF;

inline constexpr char HexDigits[] = "0123456789ABCDEF";

} // namespace rfprog
