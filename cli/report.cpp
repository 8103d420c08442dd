#include "cli/report.h"

namespace rfprog::cli {

namespace {

constexpr int DataBits = 8;

int bitCount(std::uint8_t bits) {
    int count = 0;
    for (; bits != 0; bits &= static_cast<std::uint8_t>(bits - 1)) {
        ++count;
    }
    return count;
}

} // namespace

Comparison compareBlocks(std::span<const std::uint8_t> expected,
                         std::span<const std::uint8_t> actual, std::uint32_t romOffset,
                         Compare kind) {
    Comparison comparison;
    for (std::size_t i = 0; i < expected.size() && i < actual.size(); ++i) {
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

void printComparison(const Console& console, const Comparison& comparison, std::uint32_t total,
                     Text lineText, Compare kind) {
    const std::size_t listed =
        comparison.count < ListedDifferences ? comparison.count : ListedDifferences;
    for (std::size_t i = 0; i < listed; ++i) {
        const Difference& difference = comparison.first[i];
        console.result(lineText, {Number::hex(difference.address, 3).view(),
                                  Number::byte(difference.expected).view(),
                                  Number::byte(difference.actual).view()});
    }
    const Text countText =
        kind == Compare::NeedsErasing ? Text::NeedsErasingCount : Text::DifferenceCount;
    console.result(countText,
                   {Number::decimal(comparison.count).view(), Number::decimal(total).view()});
    if (comparison.count == 0) {
        return;
    }
    // Before programming only missing ones count, so the summary would say nothing more.
    if (kind == Compare::AnyDifference) {
        console.result(Text::BitSummary, {Number::decimal(comparison.readAsZero).view(),
                                          Number::decimal(comparison.readAsOne).view()});
    }
    for (int bit = 0; bit < DataBits; ++bit) {
        const Number name = Number::decimal(static_cast<std::uint32_t>(bit));
        if ((comparison.alwaysZero >> bit) & 1) {
            console.result(Text::BitAlwaysLow, {name.view()});
        }
        if ((comparison.alwaysOne >> bit) & 1) {
            console.result(Text::BitAlwaysHigh, {name.view()});
        }
    }
}

} // namespace rfprog::cli
