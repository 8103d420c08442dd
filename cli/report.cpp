#include "cli/report.h"

namespace rfprog::cli {

namespace {

constexpr int DataBits = 8;

} // namespace

void printComparison(const Console& console, const WholeBlockComparison& comparison,
                     std::uint32_t total, Text lineText, Compare kind) {
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
