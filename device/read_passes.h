// Several reads of one block, side by side: a byte that does not read the same on every
// pass has bits that cannot be trusted (a leaking cell, a loose contact), and with an odd
// number of passes each bit's majority is the best reading there is.
#pragma once

#include "device/whole_block_comparison.h"

#include <array>
#include <cstdint>
#include <span>

namespace rfprog {

inline constexpr std::size_t MaxReadPasses = 16;

struct UnstableByte {
    std::uint32_t address;
    std::uint8_t changed; // the bits that did not read the same on every pass
    std::array<std::uint8_t, MaxReadPasses> values;
};

struct PassAgreement {
    std::uint32_t unstable = 0; // bytes that did not read the same on every pass
    std::array<UnstableByte, ListedDifferences> first{};
};

// passes: 1 to MaxReadPasses reads of the block at romOffset, all as long as majority,
// which receives each bit as more than half of the passes read it (so with every pass
// alike, the block as read).
PassAgreement comparePasses(std::span<const std::span<const std::uint8_t>> passes,
                            std::uint32_t romOffset, std::span<std::uint8_t> majority);

} // namespace rfprog
