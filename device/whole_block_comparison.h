// Comparison of every byte of a block: the ROM block is read in full, whatever differs,
// so that every difference is known, not only the first. RomDevice::verifyRomBlock
// answers the same question the other way: it stops at the first difference.
#pragma once

#include "device/rom_device.h"

#include <array>
#include <cstdint>
#include <span>

namespace rfprog {

inline constexpr std::size_t ListedDifferences = 16;

struct Difference {
    std::uint32_t address;
    std::uint8_t expected;
    std::uint8_t actual;
};

struct WholeBlockComparison {
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

// Reads every byte of the ROM block at romOffset that expected stands for, with the
// traffic of readRomBlock, and compares it with expected; the guarantees of the block
// operations apply. When the device's observer stops the read, the result is incomplete
// and is to be dropped. The bytes read are kept in bytesRead when it is given (as long as
// expected).
WholeBlockComparison readAndCompareWholeBlock(RomDevice& device,
                                              std::span<const std::uint8_t> expected,
                                              std::uint32_t romOffset, Compare kind,
                                              std::span<std::uint8_t> bytesRead = {});

} // namespace rfprog
