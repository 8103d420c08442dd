// A millisecond clock that never goes back; it may wrap, so only differences count.
#pragma once

#include <cstdint>

namespace rfprog {

using MillisecondClock = std::uint32_t (*)();

std::uint32_t monotonicMilliseconds();

} // namespace rfprog
