// What a verification found: the first differing addresses, their count, and what the
// wrong bits have in common. Computed from a whole block read back, so that every
// difference is known, not only the first.
#pragma once

#include "cli/output.h"

#include <array>
#include <cstdint>
#include <span>

namespace rfprog::cli {

inline constexpr std::size_t ListedDifferences = 16;

struct Difference {
    std::uint32_t address;
    std::uint8_t expected;
    std::uint8_t actual;
};

struct Comparison {
    std::uint32_t count = 0; // differing bytes
    std::array<Difference, ListedDifferences> first{};
    std::uint32_t readAsZero = 0;   // bits that read 0 where 1 was expected
    std::uint32_t readAsOne = 0;    // bits that read 1 where 0 was expected
    std::uint8_t alwaysZero = 0xFF; // bits wrong as 0 at every difference
    std::uint8_t alwaysOne = 0xFF;  // bits wrong as 1 at every difference
};

enum class Compare {
    AnyDifference, // verification: the bytes must be equal
    NeedsErasing,  // before programming: the ROM must have a 1 wherever the file has one
};

Comparison compareBlocks(std::span<const std::uint8_t> expected,
                         std::span<const std::uint8_t> actual, std::uint32_t romOffset,
                         Compare kind);

// The report lines on standard output: the first differences (lineText, with the address,
// the expected and the actual byte), the count, for verifications the bit summary, and
// the data bits that were wrong the same way at every difference.
void printComparison(const Console& console, const Comparison& comparison, std::uint32_t total,
                     Text lineText, Compare kind);

} // namespace rfprog::cli
