#include "device/whole_block_comparison.h"

#include <algorithm>

namespace rfprog {

namespace {

int bitCount(std::uint8_t bits) {
    int count = 0;
    for (; bits != 0; bits &= static_cast<std::uint8_t>(bits - 1)) {
        ++count;
    }
    return count;
}

// The data lines that read one value over the whole block where the expected data wants
// the other at LineEvidence addresses or more, at least one of which is wrong in that bit
// as the comparison counts it (before programming only a missing one is wrong).
bool isDefined(std::span<const bool> defined, std::size_t i) {
    return defined.empty() || defined[i];
}

void nameDataLines(std::span<const std::uint8_t> expected, std::span<const std::uint8_t> actual,
                   std::span<const bool> defined, Compare kind, WholeBlockComparison& comparison) {
    std::uint8_t anyOne = 0;
    std::uint8_t allOnes = 0xFF;
    std::array<std::uint32_t, DataLines> expectedOnes{};
    std::uint32_t total = 0; // bytes with an expected value
    for (std::size_t i = 0; i < actual.size(); ++i) {
        anyOne |= actual[i];
        allOnes &= actual[i];
        if (!isDefined(defined, i)) {
            continue;
        }
        ++total;
        for (int bit = 0; bit < DataLines; ++bit) {
            expectedOnes[bit] += (expected[i] >> bit) & 1U;
        }
    }
    for (int bit = 0; bit < DataLines; ++bit) {
        const auto mask = static_cast<std::uint8_t>(1U << bit);
        // Reading 0 everywhere, every expected 1 is a missing one: a difference either way.
        if ((anyOne & mask) == 0 && expectedOnes[bit] >= LineEvidence) {
            comparison.alwaysZero |= mask;
        }
        if ((allOnes & mask) != 0 && total - expectedOnes[bit] >= LineEvidence &&
            kind == Compare::AnyDifference) {
            comparison.alwaysOne |= mask;
        }
    }
}

// For each address line the block spans: equal bytes at every pair of addresses that
// differ only in that line, and enough pairs whose expected bytes differ. A block that
// reads one value throughout (an erased ROM, a missing board) depends on no address line
// at all, which tells nothing about any one of them.
std::uint16_t aliasedAddressLines(std::span<const std::uint8_t> expected,
                                  std::span<const std::uint8_t> actual,
                                  std::span<const bool> defined, std::uint32_t romOffset) {
    std::uint16_t lines = 0;
    if (std::all_of(actual.begin(), actual.end(),
                    [&](std::uint8_t value) { return value == actual[0]; })) {
        return lines;
    }
    const auto end = romOffset + static_cast<std::uint32_t>(actual.size());
    for (int line = 0; line < AddressLines; ++line) {
        const std::uint32_t step = 1U << line;
        std::uint32_t telling = 0;
        bool alike = true;
        for (std::uint32_t low = romOffset; low + step < end && alike; ++low) {
            if ((low & step) != 0) {
                continue;
            }
            const std::uint32_t i = low - romOffset;
            alike = actual[i] == actual[i + step];
            const bool known = isDefined(defined, i) && isDefined(defined, i + step);
            telling += known && expected[i] != expected[i + step] ? 1 : 0;
        }
        if (alike && telling >= LineEvidence) {
            lines |= static_cast<std::uint16_t>(step);
        }
    }
    return lines;
}

} // namespace

WholeBlockComparison compareWholeBlock(std::span<const std::uint8_t> expected,
                                       std::span<const std::uint8_t> actual,
                                       std::uint32_t romOffset, Compare kind,
                                       std::span<const bool> defined) {
    WholeBlockComparison comparison;
    for (std::size_t i = 0; i < actual.size(); ++i) {
        if (!isDefined(defined, i)) {
            continue;
        }
        const std::uint8_t missingOnes = expected[i] & static_cast<std::uint8_t>(~actual[i]);
        const std::uint8_t extraOnes = actual[i] & static_cast<std::uint8_t>(~expected[i]);
        const bool differs =
            kind == Compare::NeedsErasing ? missingOnes != 0 : missingOnes != 0 || extraOnes != 0;
        if (!differs) {
            continue;
        }
        if (comparison.count < ListedDifferences) {
            comparison.first[comparison.count] = {romOffset + static_cast<std::uint32_t>(i),
                                                  expected[i], actual[i]};
        }
        ++comparison.count;
        comparison.readAsZero += static_cast<std::uint32_t>(bitCount(missingOnes));
        comparison.readAsOne += static_cast<std::uint32_t>(bitCount(extraOnes));
    }
    if (comparison.count == 0) {
        return comparison;
    }
    nameDataLines(expected, actual, defined, kind, comparison);
    if (kind == Compare::AnyDifference) {
        comparison.aliasedAddressLines = aliasedAddressLines(expected, actual, defined, romOffset);
    }
    return comparison;
}

WholeBlockComparison readAndCompareWholeBlock(RomDevice& device,
                                              std::span<const std::uint8_t> expected,
                                              std::uint32_t romOffset, Compare kind,
                                              std::span<const bool> defined,
                                              std::span<std::uint8_t> bytesRead) {
    std::array<std::uint8_t, RomSize> readBuffer{};
    const std::span<std::uint8_t> actual =
        (bytesRead.empty() ? std::span(readBuffer) : bytesRead).first(expected.size());
    device.readRomBlock(actual, romOffset);
    return compareWholeBlock(expected, actual, romOffset, kind, defined);
}

} // namespace rfprog
