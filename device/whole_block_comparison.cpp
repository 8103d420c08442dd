#include "device/whole_block_comparison.h"

namespace rfprog {

namespace {

int bitCount(std::uint8_t bits) {
    int count = 0;
    for (; bits != 0; bits &= static_cast<std::uint8_t>(bits - 1)) {
        ++count;
    }
    return count;
}

} // namespace

WholeBlockComparison readAndCompareWholeBlock(RomDevice& device,
                                              std::span<const std::uint8_t> expected,
                                              std::uint32_t romOffset, Compare kind,
                                              std::span<std::uint8_t> bytesRead) {
    std::array<std::uint8_t, RomSize> readBuffer{};
    const std::span<std::uint8_t> actual =
        (bytesRead.empty() ? std::span(readBuffer) : bytesRead).first(expected.size());
    device.readRomBlock(actual, romOffset);

    WholeBlockComparison comparison;
    for (std::size_t i = 0; i < expected.size(); ++i) {
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
        comparison.alwaysZero &= missingOnes;
        comparison.alwaysOne &= extraOnes;
    }
    if (comparison.count == 0) {
        comparison.alwaysZero = 0;
        comparison.alwaysOne = 0;
    }
    return comparison;
}

} // namespace rfprog
