// What a verification found, as the report shows it: the first differing addresses,
// their count, and what the wrong bits have in common. The comparison itself reads the
// whole block (device/whole_block_comparison.h), so that every difference is known.
#pragma once

#include "cli/output.h"
#include "cli/selftest.h"
#include "device/read_passes.h"
#include "device/whole_block_comparison.h"

#include <cstdint>
#include <optional>

namespace rfprog::cli {

// The report lines on standard output: the first differences (lineText, with the address,
// the expected and the actual byte), the count, for verifications the bit summary, and
// the data and address lines that the block read names. A block that reads one value
// throughout names no line but says what that value means; for FF, allErased adds what
// it means after the operation.
void printComparison(const Console& console, const WholeBlockComparison& comparison,
                     std::uint32_t total, Text lineText, Compare kind,
                     std::optional<Text> allErased = std::nullopt);

// Passes of one block read that disagree: the operation's line (operation is its name as
// the results begin), the first unstable bytes with the values of each pass and the bits
// that changed, and their count.
void printUnstable(const Console& console, const PassAgreement& agreement, std::size_t passes,
                   std::uint32_t total, Text operation);

// The self-test's result on standard output: passed, or failed with the count of bytes
// read back wrong and each line at fault (or that none explains them).
void printSelfTest(const Console& console, const SelfTestDiagnosis& diagnosis);

} // namespace rfprog::cli
