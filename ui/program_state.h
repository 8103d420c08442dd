// The program's static buffers; they live from start-up to exit.
#pragma once

#include <array>
#include <cstdint>

namespace rfprog {

inline constexpr std::size_t ImageBufferSize = 4096;
inline constexpr std::size_t FileNameBufferSize = 1024;

extern std::array<std::uint8_t, ImageBufferSize> ImageBuffer;
extern std::array<char16_t, FileNameBufferSize> FileNameBuffer;

} // namespace rfprog
