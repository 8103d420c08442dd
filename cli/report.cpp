#include "cli/report.h"

namespace rfprog::cli {

void printComparison(const Console& console, const WholeBlockComparison& comparison,
                     std::uint32_t total, Text lineText, Compare kind,
                     std::optional<Text> allErased) {
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
    if (comparison.uniformValue == ErasedByte) {
        console.result(Text::UniformErased);
        if (allErased) {
            console.result(*allErased);
        }
    } else if (comparison.uniformValue) {
        console.result(Text::UniformValue, {Number::byte(*comparison.uniformValue).view()});
    }
    for (int bit = 0; bit < DataLines; ++bit) {
        const Number name = Number::decimal(static_cast<std::uint32_t>(bit));
        if ((comparison.alwaysZero >> bit) & 1) {
            console.result(Text::BitAlwaysLow, {name.view()});
        }
        if ((comparison.alwaysOne >> bit) & 1) {
            console.result(Text::BitAlwaysHigh, {name.view()});
        }
    }
    for (int line = 0; line < AddressLines; ++line) {
        if ((comparison.aliasedAddressLines >> line) & 1) {
            const Number name = Number::decimal(static_cast<std::uint32_t>(line));
            console.result(Text::AddressLineAliased, {name.view()});
        }
    }
}

void printUnstable(const Console& console, const PassAgreement& agreement, std::size_t passes,
                   std::uint32_t total, Text operation) {
    console.result(Text::UnstablePasses, {console.text(operation)});
    const std::size_t listed =
        agreement.unstable < ListedDifferences ? agreement.unstable : ListedDifferences;
    for (std::size_t i = 0; i < listed; ++i) {
        const UnstableByte& unstable = agreement.first[i];
        Line values;
        for (std::size_t pass = 0; pass < passes; ++pass) {
            values.add(pass == 0 ? "" : " ").add(Number::byte(unstable.values[pass]).view());
        }
        Line bits;
        for (int bit = 0; bit < DataLines; ++bit) {
            if ((unstable.changed >> bit) & 1) {
                bits.add(bits.size() == 0 ? "" : ", ")
                    .add(Number::decimal(static_cast<std::uint32_t>(bit)).view());
            }
        }
        console.result(Text::UnstableLine,
                       {Number::hex(unstable.address, 3).view(), values.view(), bits.view()});
    }
    console.result(Text::UnstableCount,
                   {Number::decimal(agreement.unstable).view(), Number::decimal(total).view()});
}

void printSelfTest(const Console& console, const SelfTestDiagnosis& diagnosis) {
    if (diagnosis.passed()) {
        console.result(Text::SelfTestPassed);
        return;
    }
    console.result(Text::SelfTestFailed);
    console.result(Text::DifferenceCount, {Number::decimal(diagnosis.differing).view(),
                                           Number::decimal(SelfTestRounds * RomSize).view()});
    bool named = false;
    for (std::uint32_t line = 0; line < DataLines; ++line) {
        const Number name = Number::decimal(line);
        if ((diagnosis.stuckAtZero >> line) & 1) {
            console.result(Text::DataLineStuckLow, {name.view()});
            named = true;
        }
        if ((diagnosis.stuckAtOne >> line) & 1) {
            console.result(Text::DataLineStuckHigh, {name.view()});
            named = true;
        }
    }
    for (std::uint32_t line = 0; line < DataLines; ++line) {
        for (std::uint32_t other = line + 1; other < DataLines; ++other) {
            if ((diagnosis.shortedTo[line] >> other) & 1) {
                console.result(Text::DataLinesShorted,
                               {Number::decimal(line).view(), Number::decimal(other).view()});
                named = true;
            }
        }
    }
    for (std::uint32_t line = 0; line < AddressLines; ++line) {
        if ((diagnosis.aliasedAddressLines >> line) & 1) {
            console.result(Text::SelfTestAddressLine, {Number::decimal(line).view()});
            named = true;
        }
    }
    if (!named) {
        console.result(Text::SelfTestUnexplained);
    }
}

} // namespace rfprog::cli
