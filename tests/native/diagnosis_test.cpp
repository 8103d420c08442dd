// What a block read back can tell, and what it cannot: data and address lines named only
// on evidence, and passes of one read compared, on hand-made read-backs.
#include "device/read_passes.h"
#include "device/whole_block_comparison.h"
#include "tests/support/test_data.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <optional>
#include <vector>

namespace rfprog::test {
namespace {

constexpr std::uint32_t Block = RomSize;

Bytes erasedBlock(std::size_t size = Block) {
    return Bytes(size, ErasedByte);
}

// The ROM as a board with counter output A<line> stuck shows it: every address reads
// the byte of the address with that line at the stuck value.
Bytes aliased(const Bytes& image, std::uint32_t line, bool stuckHigh) {
    Bytes read(image.size());
    for (std::uint32_t address = 0; address < image.size(); ++address) {
        const std::uint32_t seen = stuckHigh ? address | (1U << line) : address & ~(1U << line);
        read[address] = image[seen];
    }
    return read;
}

// Every byte with the bits in clear at 0 and those in set at 1.
Bytes withBits(Bytes bytes, std::uint8_t clear, std::uint8_t set) {
    for (std::uint8_t& byte : bytes) {
        byte = static_cast<std::uint8_t>((byte & ~clear) | set);
    }
    return bytes;
}

// A chip that holds the first unitSize bytes of unit over and over.
Bytes repeated(const Bytes& unit, std::size_t unitSize) {
    Bytes bytes(Block);
    for (std::size_t i = 0; i < Block; ++i) {
        bytes[i] = unit[i % unitSize];
    }
    return bytes;
}

// The ROM as a board with A<line> stuck at 0 programs and reads it: both addresses of a
// pair program one cell, which keeps both bytes ANDed.
Bytes programmedThroughStuckLine(const Bytes& image, std::uint32_t line) {
    const std::uint32_t step = 1U << line;
    Bytes read(image.size());
    for (std::uint32_t address = 0; address < image.size(); ++address) {
        read[address] = image[address & ~step] & image[address | step];
    }
    return read;
}

// What the ROM reads, what was expected, and what may be said about it: the one value the
// block reads, the data lines and the address lines named (every other line must not be).
TEST(DiagnosisRulesTest, TheSimplestExplanationFirstThenLinesOnlyOnEvidence) {
    struct Row {
        const char* what;
        Bytes expected;
        Bytes read;
        std::uint32_t definedCount; // defined from 0x000 on; 0: every byte
        std::optional<std::uint8_t> uniform;
        std::uint8_t zero;
        std::uint8_t one;
        std::uint16_t address;
    };
    const Bytes image = pattern(Block, 3);
    const Bytes other = pattern(Block, 7);
    const Bytes bit7Clear = withBits(pattern(Block, 6), 0x80, 0);
    Bytes patch = withBits(bit7Clear, 0, 0x80);
    Bytes bit7HighAndWorn = withBits(image, 0, 0x80);
    bit7HighAndWorn[0x123] ^= 0x01;
    std::fill(patch.begin() + 3, patch.end(), ErasedByte);
    Bytes erasedPatch = erasedBlock();
    std::fill(erasedPatch.begin(), erasedPatch.begin() + 16, 0x5A);
    Bytes patchReadErased = other;
    std::fill(patchReadErased.begin(), patchReadErased.begin() + 16, ErasedByte);
    const Row rows[] = {
        {"FFh throughout after a write", image, erasedBlock(), 0, 0xFF, 0, 0, 0},
        {"00h throughout in a blank check", erasedBlock(), Bytes(Block, 0x00), 0, 0x00, 0, 0, 0},
        {"EFh throughout in a blank check", erasedBlock(), Bytes(Block, 0xEF), 0, 0xEF, 0, 0, 0},
        {"a 16-byte patch reading FFh, other bytes not", erasedPatch, patchReadErased, 16, 0xFF, 0,
         0, 0},
        {"a 3-byte patch reading FFh: too few to speak for the block", Bytes(Block, 0x00),
         erasedBlock(), 3, std::nullopt, 0, 0, 0},
        {"bit 7 stuck at 1", image, withBits(image, 0, 0x80), 0, std::nullopt, 0, 0x80, 0},
        {"bit 7 stuck at 1 and a cell that did not take", image, bit7HighAndWorn, 0, std::nullopt,
         0, 0x80, 0},
        {"other data with bit 7 at 0 throughout", image, withBits(other, 0x80, 0), 0, std::nullopt,
         0, 0, 0},
        {"a 1 KB image twice against another 2 KB file", image, repeated(other, 0x400), 0,
         std::nullopt, 0, 0, 0},
        {"a 256-byte image repeated against another file", image, repeated(other, 0x100), 0,
         std::nullopt, 0, 0, 0},
        {"A4 stuck at 0, programmed through it", image, programmedThroughStuckLine(image, 4), 0,
         std::nullopt, 0, 0, 0x010},
        // The bytes a record file leaves out are no evidence: the expected buffer holds
        // FFh there, which the ROM's bit 7 would contradict at 2045 addresses.
        {"a 3-byte HEX patch over a ROM with bit 7 at 0 elsewhere", patch, bit7Clear, 3,
         std::nullopt, 0, 0, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        std::array<bool, Block> definedFlags{};
        std::fill(definedFlags.begin(), definedFlags.begin() + row.definedCount, true);
        const std::span<const bool> defined =
            row.definedCount == 0 ? std::span<const bool>() : std::span(definedFlags);
        const WholeBlockComparison comparison =
            compareWholeBlock(row.expected, row.read, 0, Compare::AnyDifference, defined);
        EXPECT_GT(comparison.count, 0u);
        EXPECT_EQ(comparison.uniformValue, row.uniform);
        EXPECT_EQ(comparison.alwaysZero, row.zero);
        EXPECT_EQ(comparison.alwaysOne, row.one);
        EXPECT_EQ(comparison.aliasedAddressLines, row.address);
    }
}

TEST(DataLineEvidenceTest, AFewDifferingBytesNameNoLine) {
    // Blank check of a ROM whose one programmed byte is 03h: bits 2 to 7 are wrong there,
    // and read 1 everywhere else.
    Bytes read = erasedBlock();
    read[0] = 0x03;
    const WholeBlockComparison blank =
        compareWholeBlock(erasedBlock(), read, 0, Compare::AnyDifference);
    EXPECT_EQ(blank.count, 1u);
    EXPECT_EQ(blank.readAsZero, 6u);
    EXPECT_EQ(blank.alwaysZero, 0x00);
    EXPECT_EQ(blank.alwaysOne, 0x00);
    EXPECT_EQ(blank.aliasedAddressLines, 0u);

    // A verification with the same bit wrong the same way at its two differences.
    Bytes image = pattern(Block, 3);
    image[0x100] |= 0x80;
    image[0x180] |= 0x80;
    read = image;
    read[0x100] &= 0x7F;
    read[0x180] &= 0x7F;
    const WholeBlockComparison verify = compareWholeBlock(image, read, 0, Compare::AnyDifference);
    EXPECT_EQ(verify.count, 2u);
    EXPECT_EQ(verify.alwaysZero | verify.alwaysOne, 0x00);
}

TEST(DataLineEvidenceTest, ALineStuckOverTheWholeBlockIsNamed) {
    const Bytes image = pattern(Block, 9);
    Bytes low = image;
    Bytes high = image;
    for (std::size_t i = 0; i < Block; ++i) {
        low[i] &= 0xEF;  // bit 4 stuck at 0
        high[i] |= 0x04; // bit 2 stuck at 1
    }
    const WholeBlockComparison stuckLow = compareWholeBlock(image, low, 0, Compare::AnyDifference);
    EXPECT_EQ(stuckLow.alwaysZero, 0x10);
    EXPECT_EQ(stuckLow.alwaysOne, 0x00);
    EXPECT_EQ(stuckLow.aliasedAddressLines, 0u);
    const WholeBlockComparison stuckHigh =
        compareWholeBlock(image, high, 0, Compare::AnyDifference);
    EXPECT_EQ(stuckHigh.alwaysZero, 0x00);
    EXPECT_EQ(stuckHigh.alwaysOne, 0x04);

    // A blank check: the expected data is all 1s, so only reading 0 throughout names; a
    // few other bytes (one in 16) leave it the explanation.
    Bytes blank = erasedBlock();
    for (std::size_t i = 0; i < Block; ++i) {
        blank[i] = i % 16 == 0 ? 0x7E : 0x7F;
    }
    const WholeBlockComparison erased =
        compareWholeBlock(erasedBlock(), blank, 0, Compare::AnyDifference);
    EXPECT_EQ(erased.alwaysZero, 0x80);
    EXPECT_EQ(erased.alwaysOne, 0x00);
}

TEST(DataLineEvidenceTest, EightAddressesWithTheOtherValueAreTheLeastEvidence) {
    // Bit 1 reads 0 throughout a varied read; the file has it set at seven, then eight
    // addresses.
    Bytes image(64);
    for (std::size_t i = 0; i < image.size(); ++i) {
        image[i] = static_cast<std::uint8_t>(i * 4 + 1);
    }
    for (std::size_t i = 0; i < 7; ++i) {
        image[i * 9] |= 0x02;
    }
    EXPECT_EQ(
        compareWholeBlock(image, withBits(image, 0x02, 0), 0x40, Compare::AnyDifference).alwaysZero,
        0x00);
    image[63] |= 0x02;
    const WholeBlockComparison eight =
        compareWholeBlock(image, withBits(image, 0x02, 0), 0x40, Compare::AnyDifference);
    EXPECT_EQ(eight.count, 8u);
    EXPECT_EQ(eight.alwaysZero, 0x02);
    // Bit 0 reads 1 throughout, but the file never wants a 0 there.
    EXPECT_EQ(eight.alwaysOne, 0x00);

    // The same for a 1 throughout, against eight 0s in the file.
    const Bytes ones = withBits(image, 0, 0x20);
    Bytes wanted = ones;
    for (std::size_t i = 0; i < 8; ++i) {
        wanted[i * 2] &= 0xDF;
    }
    EXPECT_EQ(compareWholeBlock(wanted, ones, 0, Compare::AnyDifference).alwaysOne, 0x20);
    wanted[14] |= 0x20;
    EXPECT_EQ(compareWholeBlock(wanted, ones, 0, Compare::AnyDifference).alwaysOne, 0x00);
}

TEST(DataLineEvidenceTest, BeforeProgrammingAOneReadOverAZeroIsNoFault) {
    // A ROM that reads the file with bit 7 at 0 and bit 0 at 1 throughout: bit 7 is
    // missing wherever the file wants it; the extra 1s in bit 0 can still be programmed.
    const Bytes image = pattern(Block, 1);
    Bytes read(Block);
    for (std::size_t i = 0; i < Block; ++i) {
        read[i] = static_cast<std::uint8_t>((image[i] & 0x7F) | 0x01);
    }
    const WholeBlockComparison check = compareWholeBlock(image, read, 0, Compare::NeedsErasing);
    EXPECT_EQ(check.alwaysZero, 0x80);
    EXPECT_EQ(check.alwaysOne, 0x00);
    EXPECT_EQ(check.aliasedAddressLines, 0u); // never looked for before programming
    const WholeBlockComparison verify = compareWholeBlock(image, read, 0, Compare::AnyDifference);
    EXPECT_EQ(verify.alwaysZero, 0x80);
    EXPECT_EQ(verify.alwaysOne, 0x01);

    // A chip that holds other data with bit 7 at 0 throughout: most bytes need erasing in
    // other bits as well, which no stuck line explains.
    Bytes other = pattern(Block, 2);
    for (std::uint8_t& byte : other) {
        byte &= 0x7F;
    }
    EXPECT_EQ(compareWholeBlock(image, other, 0, Compare::NeedsErasing).alwaysZero, 0x00);
}

TEST(AddressLineEvidenceTest, EachStuckCounterOutputIsNamedAlone) {
    // The lines are searched alike: the lowest, a middle and the highest stand for all.
    const Bytes image = pattern(Block, 6);
    for (const std::uint32_t line : {0U, 5U, 10U}) {
        for (const bool high : {false, true}) {
            SCOPED_TRACE(testing::Message() << "A" << line << (high ? " stuck 1" : " stuck 0"));
            const WholeBlockComparison comparison =
                compareWholeBlock(image, aliased(image, line, high), 0, Compare::AnyDifference);
            EXPECT_GT(comparison.count, 0u);
            EXPECT_EQ(comparison.aliasedAddressLines, 1U << line);
            EXPECT_EQ(comparison.alwaysZero | comparison.alwaysOne, 0x00);
        }
    }
}

TEST(AddressLineEvidenceTest, OnlyPairsInsideTheBlockCountAndEightMustDiffer) {
    const Bytes image = pattern(Block, 2);
    const Bytes rom = aliased(image, 2, false);
    // 0x7F0 to 0x7FF: eight pairs across A2, each with different bytes in the file.
    const auto block = [&](const Bytes& bytes, std::uint32_t offset, std::size_t length) {
        return Bytes(bytes.begin() + offset, bytes.begin() + offset + length);
    };
    EXPECT_EQ(compareWholeBlock(block(image, 0x7F0, 16), block(rom, 0x7F0, 16), 0x7F0,
                                Compare::AnyDifference)
                  .aliasedAddressLines,
              0x004u);
    // Eight bytes hold four pairs: not enough to name the line.
    EXPECT_EQ(compareWholeBlock(block(image, 0x7F0, 8), block(rom, 0x7F0, 8), 0x7F0,
                                Compare::AnyDifference)
                  .aliasedAddressLines,
              0u);
    // A block that starts at an odd address pairs 0x7F1 with 0x7F5 and so on, and leaves
    // out the pairs whose other half lies outside it.
    EXPECT_EQ(compareWholeBlock(block(image, 0x7E3, 16), block(rom, 0x7E3, 16), 0x7E3,
                                Compare::AnyDifference)
                  .aliasedAddressLines,
              0u);
    // A10 stuck: a block within one half never pairs across it.
    const Bytes upper = aliased(image, 10, false);
    EXPECT_EQ(compareWholeBlock(block(image, 0x400, 0x400), block(upper, 0x400, 0x400), 0x400,
                                Compare::AnyDifference)
                  .aliasedAddressLines,
              0u);
    EXPECT_EQ(compareWholeBlock(image, upper, 0, Compare::AnyDifference).aliasedAddressLines,
              0x400u);
}

using Passes = std::vector<std::span<const std::uint8_t>>;

TEST(ReadPassesTest, PassesThatAgreeGiveTheBlockAsRead) {
    const Bytes read = pattern(64, 5);
    Bytes majority(64, 0x00);
    const Passes passes = {read, read, read};
    const PassAgreement agreement = comparePasses(passes, 0x100, majority);
    EXPECT_EQ(agreement.unstable, 0u);
    EXPECT_EQ(majority, read);
    const Passes one = {read};
    EXPECT_EQ(comparePasses(one, 0x100, majority).unstable, 0u);
}

TEST(ReadPassesTest, AFlakyBitIsListedWithEveryPassAndTheBitsThatChanged) {
    const Bytes first = pattern(32, 7);
    Bytes second = first;
    second[5] ^= 0x08;
    second[9] ^= 0x81;
    Bytes majority(32);
    const Passes two = {first, second};
    const PassAgreement agreement = comparePasses(two, 0x7E0, majority);
    ASSERT_EQ(agreement.unstable, 2u);
    EXPECT_EQ(agreement.first[0].address, 0x7E5u);
    EXPECT_EQ(agreement.first[0].changed, 0x08);
    EXPECT_EQ(agreement.first[0].values[0], first[5]);
    EXPECT_EQ(agreement.first[0].values[1], second[5]);
    EXPECT_EQ(agreement.first[1].address, 0x7E9u);
    EXPECT_EQ(agreement.first[1].changed, 0x81);
}

TEST(ReadPassesTest, AnOddNumberOfPassesGivesEachBitItsMajority) {
    // Each bit of the byte goes wrong in a different pass; bit 7 in two passes of five.
    const Bytes truth = {0x5A, 0x00, 0xFF};
    std::vector<Bytes> reads(5, truth);
    reads[0][0] ^= 0x01;
    reads[1][0] ^= 0x02;
    reads[2][0] ^= 0x80;
    reads[3][0] ^= 0x80;
    reads[4][2] ^= 0x10;
    const Passes passes(reads.begin(), reads.end());
    Bytes majority(3);
    const PassAgreement agreement = comparePasses(passes, 0, majority);
    EXPECT_EQ(agreement.unstable, 2u);
    EXPECT_EQ(majority, truth);
    EXPECT_EQ(agreement.first[0].changed, 0x83);
    EXPECT_EQ(agreement.first[1].address, 2u);
    EXPECT_EQ(agreement.first[1].values[4], 0xEF);

    // Three of five passes wrong the same way: the majority is the wrong value.
    reads[4][0] ^= 0x80;
    const Passes outvoted(reads.begin(), reads.end());
    comparePasses(outvoted, 0, majority);
    EXPECT_EQ(majority[0], truth[0] ^ 0x80);
}

TEST(ReadPassesTest, TheFirstSixteenAreListedAndEveryOneCounted) {
    const Bytes first(0x100, 0xFF);
    Bytes second = first;
    for (std::size_t i = 0; i < 20; ++i) {
        second[i * 10] = 0xFE;
    }
    Bytes majority(0x100);
    const Passes passes = {first, second};
    const PassAgreement agreement = comparePasses(passes, 0, majority);
    EXPECT_EQ(agreement.unstable, 20u);
    EXPECT_EQ(agreement.first[ListedDifferences - 1].address, 150u);
}

} // namespace
} // namespace rfprog::test
