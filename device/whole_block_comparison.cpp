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

bool isDefined(std::span<const bool> defined, std::size_t i) {
    return defined.empty() || defined[i];
}

// The bits of actual that are wrong as the comparison counts them: before programming only
// a missing one, which no pulse can set.
std::uint8_t wrongBits(Compare kind, std::uint8_t expected, std::uint8_t actual) {
    const auto missingOnes = static_cast<std::uint8_t>(expected & ~actual);
    const auto extraOnes = static_cast<std::uint8_t>(actual & ~expected);
    return kind == Compare::NeedsErasing ? missingOnes
                                         : static_cast<std::uint8_t>(missingOnes | extraOnes);
}

// The value every compared byte reads, when enough are compared to speak for the block.
std::optional<std::uint8_t> uniformValue(std::span<const std::uint8_t> actual,
                                         std::span<const bool> defined) {
    std::optional<std::uint8_t> value;
    std::uint32_t compared = 0;
    for (std::size_t i = 0; i < actual.size(); ++i) {
        if (!isDefined(defined, i)) {
            continue;
        }
        if (value && *value != actual[i]) {
            return std::nullopt;
        }
        value = actual[i];
        ++compared;
    }
    return compared >= LineEvidence ? value : std::nullopt;
}

// The data lines that read one value over the whole block (every byte read is evidence
// against a stuck line) where the compared bytes want the other at LineEvidence addresses
// or more; named only when, taken as they read, they account for the differences.
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
    std::uint8_t zeroThroughout = 0;
    std::uint8_t oneThroughout = 0;
    for (int bit = 0; bit < DataLines; ++bit) {
        const auto mask = static_cast<std::uint8_t>(1U << bit);
        // Reading 0 everywhere, every expected 1 is a missing one: a difference either way.
        if ((anyOne & mask) == 0 && expectedOnes[bit] >= LineEvidence) {
            zeroThroughout |= mask;
        }
        if ((allOnes & mask) != 0 && total - expectedOnes[bit] >= LineEvidence &&
            kind == Compare::AnyDifference) {
            oneThroughout |= mask;
        }
    }
    if ((zeroThroughout | oneThroughout) == 0) {
        return;
    }
    std::uint32_t accounted = 0;
    for (std::size_t i = 0; i < actual.size(); ++i) {
        if (!isDefined(defined, i) || wrongBits(kind, expected[i], actual[i]) == 0) {
            continue;
        }
        const auto asRead =
            static_cast<std::uint8_t>((expected[i] & ~zeroThroughout) | oneThroughout);
        accounted += wrongBits(kind, asRead, actual[i]) == 0 ? 1 : 0;
    }
    if (accounted * 10 >= comparison.count * AccountedInTen) {
        comparison.alwaysZero = zeroThroughout;
        comparison.alwaysOne = oneThroughout;
    }
}

// Programming two different bytes through one cell leaves one of them, when the ROM
// already held it and the other got no pulse, or both ANDed.
bool programmedThroughAlias(std::uint8_t first, std::uint8_t second, std::uint8_t held) {
    return held == first || held == second || held == (first & second);
}

// For each address line the block spans: equal bytes at every pair of addresses that
// differ only in that line, enough pairs whose expected bytes differ, and at each of those
// a byte that programming through the joined addresses leaves. A chip that merely holds
// another image, mirrored or not, fails the last.
std::uint16_t aliasedAddressLines(std::span<const std::uint8_t> expected,
                                  std::span<const std::uint8_t> actual,
                                  std::span<const bool> defined, std::uint32_t romOffset) {
    std::uint16_t lines = 0;
    const auto end = romOffset + static_cast<std::uint32_t>(actual.size());
    for (int line = 0; line < AddressLines; ++line) {
        const std::uint32_t step = 1U << line;
        std::uint32_t telling = 0;
        bool joined = true;
        for (std::uint32_t low = romOffset; low + step < end && joined; ++low) {
            if ((low & step) != 0) {
                continue;
            }
            const std::uint32_t i = low - romOffset;
            joined = actual[i] == actual[i + step];
            const bool known = isDefined(defined, i) && isDefined(defined, i + step);
            if (known && expected[i] != expected[i + step]) {
                ++telling;
                joined =
                    joined && programmedThroughAlias(expected[i], expected[i + step], actual[i]);
            }
        }
        if (joined && telling >= LineEvidence) {
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
        if (!isDefined(defined, i) || wrongBits(kind, expected[i], actual[i]) == 0) {
            continue;
        }
        if (comparison.count < ListedDifferences) {
            comparison.first[comparison.count] = {romOffset + static_cast<std::uint32_t>(i),
                                                  expected[i], actual[i]};
        }
        ++comparison.count;
        comparison.readAsZero += static_cast<std::uint32_t>(
            bitCount(static_cast<std::uint8_t>(expected[i] & ~actual[i])));
        comparison.readAsOne += static_cast<std::uint32_t>(
            bitCount(static_cast<std::uint8_t>(actual[i] & ~expected[i])));
    }
    comparison.uniformValue = uniformValue(actual, defined);
    // One value throughout is explained without any line.
    if (comparison.count == 0 || comparison.uniformValue) {
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
