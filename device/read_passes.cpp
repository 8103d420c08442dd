#include "device/read_passes.h"

namespace rfprog {

namespace {

constexpr int DataBits = 8;

std::uint8_t majorityOf(std::span<const std::span<const std::uint8_t>> passes, std::size_t i) {
    std::uint8_t value = 0;
    for (int bit = 0; bit < DataBits; ++bit) {
        std::size_t ones = 0;
        for (const std::span<const std::uint8_t> pass : passes) {
            ones += (pass[i] >> bit) & 1U;
        }
        if (ones * 2 > passes.size()) {
            value |= static_cast<std::uint8_t>(1U << bit);
        }
    }
    return value;
}

} // namespace

PassAgreement comparePasses(std::span<const std::span<const std::uint8_t>> passes,
                            std::uint32_t romOffset, std::span<std::uint8_t> majority) {
    PassAgreement agreement;
    for (std::size_t i = 0; i < majority.size(); ++i) {
        std::uint8_t changed = 0;
        for (const std::span<const std::uint8_t> pass : passes) {
            changed |= pass[i] ^ passes[0][i];
        }
        if (changed == 0) {
            majority[i] = passes[0][i];
            continue;
        }
        majority[i] = majorityOf(passes, i);
        if (agreement.unstable < ListedDifferences) {
            UnstableByte& listed = agreement.first[agreement.unstable];
            listed.address = romOffset + static_cast<std::uint32_t>(i);
            listed.changed = changed;
            for (std::size_t pass = 0; pass < passes.size(); ++pass) {
                listed.values[pass] = passes[pass][i];
            }
        }
        ++agreement.unstable;
    }
    return agreement;
}

} // namespace rfprog
