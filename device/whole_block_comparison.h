// Comparison of every byte of a block: the ROM block is read in full, whatever differs,
// so that every difference is known, not only the first. RomDevice::verifyRomBlock
// answers the same question the other way: it stops at the first difference.
#pragma once

#include "device/rom_device.h"

#include <array>
#include <cstdint>
#include <optional>
#include <span>

namespace rfprog {

inline constexpr std::size_t ListedDifferences = 16;

// A data or address line is named only when at least this many bytes (or address pairs)
// tell against it, so that one or two differing bytes never name a line.
inline constexpr std::uint32_t LineEvidence = 8;

// The data lines named must account for this many in ten differing bytes: one worn cell
// must not hide a stuck line, and a chip that holds other data must not look like one.
inline constexpr std::uint32_t AccountedInTen = 9;

struct Difference {
    std::uint32_t address;
    std::uint8_t expected;
    std::uint8_t actual;
};

struct WholeBlockComparison {
    std::uint32_t count = 0; // differing bytes
    std::array<Difference, ListedDifferences> first{};
    std::uint32_t readAsZero = 0; // bits that read 0 where 1 was expected
    std::uint32_t readAsOne = 0;  // bits that read 1 where 0 was expected
    // The one value every compared byte reads, when LineEvidence bytes or more are
    // compared: an erased or missing chip, no board, or a data path that reads one value.
    // Such a read depends on no line, so none is named; what the value means is for the
    // caller to say.
    std::optional<std::uint8_t> uniformValue;
    // Data bits that read 0 (1) at every address of the block, although the expected data
    // has a 1 (0) there at LineEvidence compared addresses or more, and that together
    // account for the differences: with those bits as they read, AccountedInTen in ten
    // differing bytes would not differ. A stuck or open line.
    std::uint8_t alwaysZero = 0;
    std::uint8_t alwaysOne = 0;
    // Address lines Ak (bit k) across which the block reads the same at every pair of
    // addresses that differ only in Ak, where the expected data differs in LineEvidence
    // pairs or more, and where at each such pair the ROM holds one of the two expected
    // bytes or both ANDed, which is what programming through the joined addresses leaves.
    // A stuck or open counter output or socket line. Looked for under AnyDifference only.
    std::uint16_t aliasedAddressLines = 0;
};

enum class Compare {
    AnyDifference, // verification: the bytes must be equal
    NeedsErasing,  // before programming: the ROM must have a 1 wherever the file has one
};

// Compares actual, the block read from romOffset, with expected (as long as actual). A
// non-empty defined (as long as expected) names the bytes to compare; the others, which a
// sparse file leaves out, never differ and count as no evidence for or against a line.
WholeBlockComparison compareWholeBlock(std::span<const std::uint8_t> expected,
                                       std::span<const std::uint8_t> actual,
                                       std::uint32_t romOffset, Compare kind,
                                       std::span<const bool> defined = {});

// Reads every byte of the ROM block at romOffset that expected stands for, with the
// traffic of readRomBlock, and compares it with expected; the guarantees of the block
// operations apply. When the device's observer stops the read, the result is incomplete
// and is to be dropped. A non-empty defined (as long as expected) names the bytes to
// compare; the others, which a sparse file leaves out, are read but never differ. The
// bytes read are kept in bytesRead when it is given (as long as expected).
WholeBlockComparison readAndCompareWholeBlock(RomDevice& device,
                                              std::span<const std::uint8_t> expected,
                                              std::uint32_t romOffset, Compare kind,
                                              std::span<const bool> defined = {},
                                              std::span<std::uint8_t> bytesRead = {});

} // namespace rfprog
