// --map and --map-svg on the simulated board: the picture's cells against the faults that
// make them, its counts against the report's, and the SVG file written like any other.
#include "tests/cli/cli_test_support.h"

#include <map>
#include <regex>

namespace rfprog::test {
namespace {

using MapTest = CliTest;

// The plain picture's cells by ROM address: the rows "0x0C0 ..X0", a cell a column.
std::map<std::uint32_t, char> pictureCells(const std::string& out) {
    std::map<std::uint32_t, char> cells;
    std::istringstream lines(out);
    const std::regex row("0x([0-9A-F]{3}) (.{1,64})");
    for (std::string line; std::getline(lines, line);) {
        std::smatch match;
        if (std::regex_match(line, match, row)) {
            const auto start = static_cast<std::uint32_t>(std::stoul(match[1], nullptr, 16));
            const std::string marks = match[2];
            for (std::size_t column = 0; column < marks.size(); ++column) {
                if (marks[column] != ' ') {
                    cells[start + static_cast<std::uint32_t>(column)] = marks[column];
                }
            }
        }
    }
    return cells;
}

// The count after a label: a legend's "X both: 12" or the report's "differing bytes: 12 of".
int countAfter(const std::string& out, const std::string& label) {
    std::smatch match;
    return std::regex_search(out, match, std::regex(label + ": (\\d+)")) ? std::stoi(match[1]) : -1;
}

// A4 stuck at 0: every address with A4 set reads the cell 16 below it, and the image
// differs there at every such address, so the picture is stripes 16 cells wide.
TEST_F(MapTest, VerifyThroughAStuckAddressLineShowsStripes) {
    std::vector<std::uint8_t> image(RomSize);
    for (std::uint32_t address = 0; address < RomSize; ++address) {
        image[address] = static_cast<std::uint8_t>(address * 5 + (address >> 8));
    }
    writeFile(rom, image);
    const fs::path file = folder / "image.bin";
    writeFile(file, image);

    const CliResult result =
        run({"verify", file.string(), "--map"}, {{"RFPROG_SIM_FAULTS", "addr-stuck0=4"}});
    EXPECT_EQ(result.status, 1) << result.err;
    const auto cells = pictureCells(result.out);
    ASSERT_EQ(cells.size(), RomSize) << result.out;
    for (const auto& [address, mark] : cells) {
        ASSERT_EQ(mark == '.', (address & 0x10) == 0) << address << result.out;
    }
    const int differing = countAfter(result.out, "1 read 1 instead of 0") +
                          countAfter(result.out, "0 read 0 instead of 1") +
                          countAfter(result.out, "X both");
    EXPECT_EQ(differing, 1024);
    EXPECT_EQ(differing, countAfter(result.out, "differing bytes"));
}

// A block of 0x500 bytes from 0x100 over a chip programmed from 0x300 to 0x4FF.
TEST_F(MapTest, BlankShowsAProgrammedStretchAsOneBlockAndOnlyTheBlocksRows) {
    auto rom0 = erased();
    std::fill(rom0.begin() + 0x300, rom0.begin() + 0x500, 0x00);
    writeFile(rom, rom0);

    const CliResult result = run({"blank", "--map", "--rom-offset", "0x100", "--length", "0x500"});
    EXPECT_EQ(result.status, 1) << result.err;
    const auto cells = pictureCells(result.out);
    ASSERT_EQ(cells.size(), 0x500u) << result.out;
    for (const auto& [address, mark] : cells) {
        ASSERT_EQ(mark, address >= 0x300 && address < 0x500 ? '0' : '.') << address;
    }
    EXPECT_EQ(countAfter(result.out, "0 read 0 instead of 1"),
              countAfter(result.out, "differing bytes"));
}

TEST_F(MapTest, SvgIsWrittenAndNeverOverAFileOfTheRun) {
    writeFile(rom, erased());
    const fs::path image = folder / "image.bin";
    const fs::path svg = folder / "map.svg";
    struct Case {
        std::vector<std::string> arguments;
        int status;
        std::string error;
    };
    const Case cases[] = {
        {{"blank", "--map-svg", svg.string()}, 0, ""},
        {{"read", image.string(), "--map-svg", image.string()},
         2,
         "--map-svg " + image.string() + " names the same file as read"},
        {{"blank", "--trace", trace.string(), "--map-svg", (folder / "." / "trace.txt").string()},
         2,
         "names the same file as --trace"},
        {{"blank", "--map-svg", rom.string()}, 2, "names the same file as --port"},
        {{"blank", "--map-svg", (folder / "missing" / "map.svg").string()},
         4,
         "cannot write " + (folder / "missing" / "map.svg").string()},
        {{"timer", "--yes", "--map"}, 2, "option --map does not apply to timer"},
        {{"idle", "--map-svg", svg.string()}, 2, "option --map-svg does not apply to idle"},
    };
    for (const Case& test : cases) {
        writeFile(image, std::vector<std::uint8_t>{0x11});
        writeFile(trace, std::vector<std::uint8_t>{0x22});
        const CliResult result = run(test.arguments);
        EXPECT_EQ(result.status, test.status) << test.arguments[0] << result.err;
        EXPECT_NE(result.err.find(test.error), std::string::npos) << result.err;
        if (test.status == 2) {
            EXPECT_EQ(readFile(image), std::vector<std::uint8_t>{0x11});
            EXPECT_EQ(textOf(readFile(trace)), "\"");
            EXPECT_EQ(readFile(rom), erased());
        }
    }
    const std::string written = textOf(readFile(svg));
    EXPECT_TRUE(written.ends_with("</svg>\n"));
    // A rectangle a cell, in the legend one a kind, and every element closed.
    EXPECT_EQ(occurrences(written, "<rect x="), RomSize + 4);
    EXPECT_EQ(occurrences(written, "class=\"c0\"/>"), RomSize + 1);
    EXPECT_NE(written.find("<rect x=\"58\" y=\"20\" width=\"9\" height=\"9\" class=\"c0\"/>"),
              std::string::npos); // the cell of 0x001
    EXPECT_NE(written.find(">0x7C0</text>"), std::string::npos);
    EXPECT_NE(written.find(">equal: 2048</text>"), std::string::npos);
    EXPECT_EQ(occurrences(written, "<text"), occurrences(written, "</text>"));
    EXPECT_EQ(occurrences(written, "<g "), occurrences(written, "</g>"));
}

} // namespace
} // namespace rfprog::test
