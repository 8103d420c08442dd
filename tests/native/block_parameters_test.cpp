// Block parameters: what the three hexadecimal fields accept and refuse, and the block
// rules that both programs check the numbers with.
#include "tests/native/fake_window.h"
#include "tests/support/texts.h"
#include "ui/block_parameters.h"
#include "ui/resource_ids.h"

#include <gtest/gtest.h>

namespace rfprog::test {
namespace {

const std::u16string InvalidParameters = messageText(Message::InvalidParameters);

struct Fields {
    std::string fileOffset, romOffset, length;
};

class BlockParametersTest : public ::testing::Test {
  protected:
    std::optional<BlockParameters> parse(const Fields& fields) {
        window.checked.insert(IDC_EXTRA);
        window.fields8[IDC_FILE_OFFSET] = fields.fileOffset;
        window.fields8[IDC_ROM_OFFSET] = fields.romOffset;
        window.fields8[IDC_LENGTH] = fields.length;
        window.messages.clear();
        return parseBlockParameters(window);
    }
    void expectRefused(const Fields& fields) {
        EXPECT_FALSE(parse(fields).has_value())
            << fields.fileOffset << " / " << fields.romOffset << " / " << fields.length;
        ASSERT_EQ(window.messages.size(), 1u);
        EXPECT_EQ(window.messages[0].text, InvalidParameters);
        EXPECT_FALSE(window.messages[0].hasCaption);
        EXPECT_EQ(window.messages[0].kind, MessageKind::Error);
    }
    FakeWindow window;
};

TEST_F(BlockParametersTest, UntickedBoxGivesDefaultsWithoutReadingTheFields) {
    window.fields8[IDC_FILE_OFFSET] = "XYZ";
    window.fields8[IDC_LENGTH] = "";
    const auto block = parseBlockParameters(window);
    ASSERT_TRUE(block.has_value());
    EXPECT_EQ(*block, (BlockParameters{0, 0, 0x800}));
    EXPECT_TRUE(window.fieldReads.empty());
    EXPECT_TRUE(window.messages.empty());
    EXPECT_EQ(window.checkReads, std::vector<int>{IDC_EXTRA});
}

TEST_F(BlockParametersTest, AcceptsBlocksThatEndAtOrBeforeTheRomEnd) {
    EXPECT_EQ(parse({"0", "0", "800"}), (BlockParameters{0, 0, 0x800}));
    EXPECT_EQ(parse({"800", "7FF", "1"}), (BlockParameters{0x800, 0x7FF, 1}));
    EXPECT_EQ(parse({"FFFFFF", "400", "0400"}), (BlockParameters{0xFFFFFF, 0x400, 0x400}));
    EXPECT_EQ(parse({"000000", "00007F", "ABCDEF"}).has_value(), false);
    EXPECT_EQ(parse({"1A2B3C", "10", "10"}), (BlockParameters{0x1A2B3C, 0x10, 0x10}));
}

TEST_F(BlockParametersTest, RefusesEmptyAndOutOfRangeBlocks) {
    expectRefused({"0", "1", "800"}); // ends at 0x801
    expectRefused({"0", "0", "0"});   // nothing to do
    expectRefused({"0", "0", "000000"});
    expectRefused({"0", "800", "1"});
    expectRefused({"0", "0", "801"});
    expectRefused({"0", "FFFFFF", "FFFFFF"}); // no wrap-around in the sum
}

TEST_F(BlockParametersTest, AcceptsSixCharactersAndRefusesSeven) {
    EXPECT_EQ(parse({"000800", "0", "800"}), (BlockParameters{0x800, 0, 0x800}));
    expectRefused({"0000800", "0", "800"});
    expectRefused({"1000000", "0", "800"});
    expectRefused({"0", "0", "0000800"});
    expectRefused({"0", "0", "12345678901"});
}

TEST_F(BlockParametersTest, RefusesAnythingButUpperCaseHexDigits) {
    for (const char* text : {"", " 10", "10 ", "10h", "0x10", "-1", "+1", "ab", "1f", "G", "1.0",
                             "\xD0\x90", "\x80", "1,0"}) {
        expectRefused({text, "0", "800"});
    }
}

TEST_F(BlockParametersTest, FieldsAreReadInOrderAndOnlyTheFirstFailureSpeaks) {
    expectRefused({"XYZ", "0", "QQ"});
    EXPECT_EQ(window.fieldReads[IDC_FILE_OFFSET], 1);
    EXPECT_EQ(window.fieldReads.count(IDC_ROM_OFFSET), 0u);
    EXPECT_EQ(window.fieldReads.count(IDC_LENGTH), 0u);

    window.fieldReads.clear();
    expectRefused({"0", "ZZ", "QQ"});
    EXPECT_EQ(window.fieldReads.count(IDC_LENGTH), 0u);
}

TEST_F(BlockParametersTest, SingleFieldReadsAtMostSevenCharacters) {
    window.fields8[IDC_LENGTH] = "ABCDEF";
    EXPECT_EQ(parseHexField(window, IDC_LENGTH), 0xABCDEFu);
    window.fields8[IDC_LENGTH] = "0";
    EXPECT_EQ(parseHexField(window, IDC_LENGTH), 0u);
    EXPECT_TRUE(window.messages.empty());
    window.fields8[IDC_LENGTH] = "FFFFFFF";
    EXPECT_FALSE(parseHexField(window, IDC_LENGTH).has_value());
    EXPECT_EQ(window.messages.size(), 1u);
}

// The numbers as either program may hand them over, past what the dialog's digits reach.
TEST(BlockRulesTest, ABlockIsOneToRomSizeBytesEndingAtTheRomEndAtTheLatest) {
    EXPECT_EQ(checkBlock(BlockParameters{}), BlockFault::None);
    EXPECT_EQ(checkBlock({0, 0x7FF, 1}), BlockFault::None);
    EXPECT_EQ(checkBlock({0, 0x400, 0x400}), BlockFault::None);
    EXPECT_EQ(checkBlock({0, 0, 0}), BlockFault::Empty);
    EXPECT_EQ(checkBlock({0, 0x800, 0}), BlockFault::Empty); // the length speaks first
    EXPECT_EQ(checkBlock({0, 1, 0x800}), BlockFault::PastRomEnd);
    EXPECT_EQ(checkBlock({0, 0x800, 1}), BlockFault::PastRomEnd);
    EXPECT_EQ(checkBlock({0, 0, 0x801}), BlockFault::PastRomEnd);
    // No wrap-around in the sum.
    EXPECT_EQ(checkBlock({0, 0xFFFFFFFF, 2}), BlockFault::PastRomEnd);
    EXPECT_EQ(checkBlock({0, 1, 0xFFFFFFFF}), BlockFault::PastRomEnd);
    // The file offset has only its own limit, which each program applies as it reads it.
    EXPECT_EQ(checkBlock({0xFFFFFFFF, 0, 0x800}), BlockFault::None);
}

} // namespace
} // namespace rfprog::test
