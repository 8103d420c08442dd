// The block checksums against published vectors and against values computed with
// independent tools.
#include "image/checksums.h"
#include "tests/support/test_data.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

namespace rfprog::test {
namespace {

std::string hex(const Sha1Digest& digest) {
    static constexpr char Digits[] = "0123456789abcdef";
    std::string text;
    for (const std::uint8_t byte : digest) {
        text += Digits[byte >> 4];
        text += Digits[byte & 0xF];
    }
    return text;
}

// 2 048 bytes: byte i is (37 i + i / 256) mod 256. Its checksums were computed when this
// test was written with coreutils sha1sum, the CRC field of a gzip trailer and Python's
// zlib.crc32 (both gave 2143E650), and Python's sum() (261120, which wraps to FC00).
std::vector<std::uint8_t> sampleBlock() {
    std::vector<std::uint8_t> block(2048);
    for (std::size_t i = 0; i < block.size(); ++i) {
        block[i] = static_cast<std::uint8_t>(i * 37 + (i >> 8));
    }
    return block;
}

TEST(Checksums, Crc32MatchesThePublishedCheckValue) {
    EXPECT_EQ(crc32(bytesOf("123456789")), 0xCBF43926u);
    EXPECT_EQ(crc32(bytesOf("")), 0u);
    EXPECT_EQ(crc32(sampleBlock()), 0x2143E650u);
}

TEST(Checksums, Sha1MatchesThePublishedVectorsAndPadsAtTheBlockBoundaries) {
    EXPECT_EQ(hex(sha1(bytesOf("abc"))), "a9993e364706816aba3e25717850c26c9cd0d89d");
    EXPECT_EQ(hex(sha1(bytesOf(""))), "da39a3ee5e6b4b0d3255bfef95601890afd80709");
    EXPECT_EQ(hex(sha1(bytesOf("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq"))),
              "84983e441c3bd26ebaae4aa1f95129e5e54670f1");
    EXPECT_EQ(hex(sha1(sampleBlock())), "43c79149026ab9a41b27ff655a15adb2eba446a3");
    // Runs of 'a' where the length field just fits, just does not, or a block is full
    // (values from coreutils sha1sum); the block above and the million 'a' below are the
    // longer messages.
    const std::pair<std::size_t, const char*> runs[] = {
        {55, "c1c8bbdc22796e28c0e15163d20899b65621d65a"},
        {56, "c2db330f6083854c99d4b5bfb6e8f29f201be699"},
        {63, "03f09f5b158a7a8cdad920bddc29b81c18a551f5"},
        {64, "0098ba824b5c16427bd7a1122a5a442a25ec644d"},
    };
    for (const auto& [length, digest] : runs) {
        EXPECT_EQ(hex(sha1(bytesOf(std::string(length, 'a')))), digest) << length << " bytes";
    }
}

TEST(Checksums, Sha1GivenInPiecesEqualsSha1GivenAtOnce) {
    // One million 'a' in pieces of 1 000 bytes (not a multiple of the 64-byte block).
    const std::string piece(1000, 'a');
    Sha1 hash;
    for (int i = 0; i < 1000; ++i) {
        hash.update(bytesOf(piece));
    }
    EXPECT_EQ(hex(hash.finish()), "34aa973cd4c4daa4f61eeb2bdbad27316534016f");

    // Uneven pieces, an empty one among them.
    const std::vector<std::uint8_t> block = sampleBlock();
    const std::span<const std::uint8_t> all(block);
    Sha1 pieces;
    pieces.update(all.first(1));
    pieces.update(all.subspan(1, 0));
    pieces.update(all.subspan(1, 63));
    pieces.update(all.subspan(64, 100));
    pieces.update(all.subspan(164));
    EXPECT_EQ(pieces.finish(), sha1(block));
}

TEST(Checksums, Sum16AddsBytesModulo65536) {
    EXPECT_EQ(byteSum16(bytesOf("123456789")), 0x01DD);
    EXPECT_EQ(byteSum16(std::vector<std::uint8_t>(257, 0xFF)), 0xFFFF);
    EXPECT_EQ(byteSum16(std::vector<std::uint8_t>(258, 0xFF)), 0x00FE); // wrapped
    EXPECT_EQ(byteSum16(sampleBlock()), 0xFC00);
}

TEST(Checksums, TheLineGivesAllThreeWithFixedWidths) {
    EXPECT_EQ(ChecksumLine(blockChecksums(sampleBlock())).text(),
              "crc32 2143E650  sha1 43c79149026ab9a41b27ff655a15adb2eba446a3  sum16 FC00");
    // Leading zeros are kept: every line has the same columns.
    EXPECT_EQ(ChecksumLine(blockChecksums({})).text(),
              "crc32 00000000  sha1 da39a3ee5e6b4b0d3255bfef95601890afd80709  sum16 0000");
}

} // namespace
} // namespace rfprog::test
