// The block's picture: the kind of each cell from small hand-made reads, and the text
// drawings of a short block (the SVG file has its test with the program's).
#include "cli/cell_map.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace rfprog::test {
namespace {

using cli::Cell;
using cli::CellMap;

struct CellCase {
    const char* what;
    std::vector<std::uint8_t> expected; // empty: a read
    std::vector<std::uint8_t> passes;   // one byte a pass
    bool defined;
    Cell cell;
};

const CellCase CellCases[] = {
    {"equal", {0x5A}, {0x5A}, true, Cell::Equal},
    {"a bit read 1 for 0", {0x50}, {0x51}, true, Cell::ReadOne},
    {"a bit read 0 for 1", {0x51}, {0x50}, true, Cell::ReadZero},
    {"bits wrong both ways", {0x0F}, {0xF0}, true, Cell::Both},
    {"passes disagree", {0x0F}, {0x0F, 0x0F, 0x1F}, true, Cell::Unstable},
    {"not in the file", {0x0F}, {0xF0}, false, Cell::NotCompared},
    {"unstable outside the file's data", {0x0F}, {0x0F, 0x0E}, false, Cell::Unstable},
    {"read FF", {}, {0xFF, 0xFF}, true, Cell::Erased},
    {"read another byte", {}, {0x7F, 0x7F}, true, Cell::Holds},
    {"read unstable", {}, {0x7F, 0xFF}, true, Cell::Unstable},
};

TEST(CellMapTest, EachCellIsItsKind) {
    for (const CellCase& test : CellCases) {
        std::vector<std::vector<std::uint8_t>> bytes;
        for (const std::uint8_t value : test.passes) {
            bytes.push_back({value});
        }
        std::vector<std::span<const std::uint8_t>> passes(bytes.begin(), bytes.end());
        const std::uint8_t majority = test.passes.front();
        const bool defined[] = {test.defined};
        CellMap map;
        cli::mapCells(map, test.expected, passes, std::span(&majority, 1), defined, 0x123);
        EXPECT_EQ(map.length, 1u) << test.what;
        EXPECT_EQ(map.romOffset, 0x123u) << test.what;
        EXPECT_EQ(map.cells[0], test.cell) << test.what;
    }
}

CellMap compared(std::vector<std::uint8_t> expected, const std::vector<std::uint8_t>& read,
                 std::uint32_t romOffset) {
    const std::span<const std::uint8_t> pass = read;
    CellMap map;
    cli::mapCells(map, expected, std::span(&pass, 1), read, {}, romOffset);
    return map;
}

TEST(CellMapTest, RoundsMergeByTheBitsTheyGotWrong) {
    // Per cell: round one, round two, merged.
    const Cell rows[][3] = {{Cell::Equal, Cell::ReadOne, Cell::ReadOne},
                            {Cell::ReadOne, Cell::ReadZero, Cell::Both},
                            {Cell::Unstable, Cell::ReadOne, Cell::Unstable}};
    CellMap first;
    CellMap second;
    first.length = second.length = std::size(rows);
    for (std::size_t i = 0; i < std::size(rows); ++i) {
        first.cells[i] = rows[i][0];
        second.cells[i] = rows[i][1];
    }
    cli::mergeCells(first, second);
    for (std::size_t i = 0; i < std::size(rows); ++i) {
        EXPECT_EQ(first.cells[i], rows[i][2]) << "row " << i;
    }
}

class StringSink final : public cli::TextSink {
  public:
    bool put(std::string_view text) override {
        written += text;
        return true;
    }
    std::string written;
};

// Four bytes across a row's end: each cell under its own column, the rows' other cells
// left out.
TEST(CellMapTest, PlainPictureShowsOnlyTheBlocksCellsAtTheirAddresses) {
    const CellMap map = compared({0x00, 0x00, 0xFF, 0x0F}, {0x00, 0x01, 0xFE, 0xF0}, 0x3E);
    StringSink sink;
    ASSERT_TRUE(cli::drawCellMap(map, false, cli::Language::English, sink));
    EXPECT_EQ(sink.written,
              "      00      08      10      18      20      28      30      38    3F\n"
              "0x000                                                               .1\n"
              "0x040 0X\n"
              ". equal: 1  1 read 1 instead of 0: 1  0 read 0 instead of 1: 1  X both: 1\n");
}

// In colour two rows share a line: the upper in the foreground of an upper half-block.
TEST(CellMapTest, ColourPictureDrawsTwoRowsALine) {
    std::vector<std::uint8_t> expected(128, 0x00);
    std::vector<std::uint8_t> read(128, 0x00);
    read[64] = 0x01; // under cell 0: equal over read 1 for 0
    const CellMap map = compared(expected, read, 0);
    StringSink sink;
    ASSERT_TRUE(cli::drawCellMap(map, true, cli::Language::English, sink));
    const std::string& text = sink.written;
    EXPECT_NE(text.find("0x000/040 \x1b[32;41m▀\x1b[32;49m█"), std::string::npos) << text;
    EXPECT_EQ(text.find("0x080"), std::string::npos) << text;
    EXPECT_NE(text.find("\x1b[31;49m█\x1b[0m read 1 instead of 0: 1"), std::string::npos);
}

} // namespace
} // namespace rfprog::test
