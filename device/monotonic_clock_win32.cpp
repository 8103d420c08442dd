#include "device/monotonic_clock.h"

#include <windows.h>

namespace rfprog {

// GetTickCount is there on every Windows the tool runs on (XP included).
std::uint32_t monotonicMilliseconds() {
    return GetTickCount();
}

} // namespace rfprog
