// Record files: what the Intel HEX and S-record parser accepts and refuses (with the
// line it names), the text written for a new file, and an existing file rewritten
// around a block.
#include "image/image_file.h"
#include "image/record_file.h"
#include "tests/support/record_checks.h"
#include "tests/support/test_data.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace rfprog::test {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

struct Window {
    std::uint32_t count = 0;
    Bytes bytes;
    std::vector<bool> defined;
};

class RecordFileTest : public ::testing::Test {
  protected:
    RecordFileSummary parse(RecordFormat format, const std::string& text) {
        text_ = text;
        return parseRecordFile(format, bytesOf(text_), table());
    }
    // The window of the text parsed last.
    Window window(std::uint32_t start, std::size_t length) {
        Window result;
        result.bytes.assign(length, 0);
        std::unique_ptr<bool[]> defined(new bool[length]);
        result.count = fillRecordWindow(table(), bytesOf(text_), start, result.bytes,
                                        std::span(defined.get(), length));
        result.defined.assign(defined.get(), defined.get() + length);
        return result;
    }
    void expectRefused(RecordFormat format, const std::string& text, RecordFault fault,
                       std::uint32_t line) {
        const RecordFileSummary summary = parse(format, text);
        EXPECT_EQ(summary.fault, fault) << text;
        EXPECT_EQ(summary.line, line) << text;
    }
    // A whole, well-formed file: no fault, no warning, data from lowest upwards.
    void expectWellFormed(RecordFormat format, const std::string& text, std::uint32_t lowest) {
        const RecordFileSummary summary = parse(format, text);
        ASSERT_EQ(summary.fault, RecordFault::None) << text;
        EXPECT_FALSE(summary.endRecordMissing);
        EXPECT_FALSE(summary.countMismatch);
        EXPECT_TRUE(summary.hasData);
        EXPECT_EQ(summary.lowestAddress, lowest);
    }
    static std::string written(RecordFormat format, std::uint32_t address, const Bytes& block) {
        std::string out(MaxRecordFileSize, '\0');
        const auto size = writeRecordFile(
            format, address, block, {reinterpret_cast<std::uint8_t*>(out.data()), out.size()});
        EXPECT_TRUE(size.has_value());
        out.resize(size.value_or(0));
        return out;
    }
    static std::string rewritten(RecordFormat format, const std::string& existing,
                                 std::uint32_t address, const Bytes& block) {
        std::string out(MaxRecordFileSize, '\0');
        const auto size =
            rewriteRecordFile(format, bytesOf(existing), address, block,
                              {reinterpret_cast<std::uint8_t*>(out.data()), out.size()});
        EXPECT_TRUE(size.has_value());
        out.resize(size.value_or(0));
        return out;
    }
    static RecordTable& table() {
        static RecordTable records;
        return records;
    }
    std::string text_;
};

TEST_F(RecordFileTest, FormatComesFromTheExtensionOrTheOption) {
    for (const char* name : {"a.hex", "A.HEX", "dir.s19/x.Ihx", "rom.ihex"}) {
        EXPECT_EQ(formatForFileName(name), RecordFormat::IntelHex) << name;
    }
    for (const char* name : {"a.s19", "a.S28", "a.s37", "m.SREC", "c:\\roms\\mon.mot"}) {
        EXPECT_EQ(formatForFileName(name), RecordFormat::SRecord) << name;
    }
    for (const char* name : {"a.bin", "hex", "a.hex.bin", "dir.hex/rom", "a.", "a.hexx", ""}) {
        EXPECT_EQ(formatForFileName(name), RecordFormat::Raw) << name;
    }
    EXPECT_EQ(parseFormatName("raw"), RecordFormat::Raw);
    EXPECT_EQ(parseFormatName("ihex"), RecordFormat::IntelHex);
    EXPECT_EQ(parseFormatName("srec"), RecordFormat::SRecord);
    EXPECT_FALSE(parseFormatName("hex").has_value());
    EXPECT_FALSE(parseFormatName("IHEX").has_value());
    EXPECT_FALSE(parseFormatName("").has_value());
}

TEST_F(RecordFileTest, BaseIsTheLowestAddressRoundedDownToAWholeRom) {
    EXPECT_EQ(recordFileBase(0xF800), 0xF800u);
    EXPECT_EQ(recordFileBase(0xF9AB), 0xF800u);
    EXPECT_EQ(recordFileBase(0x7FF), 0u);
    EXPECT_EQ(recordFileBase(0xFFFFFFFF), 0xFFFFF800u);

    // A monitor assembled at F800h: ROM offset 100h, length 10h takes F900h-F90Fh.
    const Bytes monitor = pattern(0x800, 1);
    const auto summary =
        parse(RecordFormat::IntelHex,
              written(RecordFormat::IntelHex, 0xF804, Bytes(monitor.begin() + 4, monitor.end())));
    ASSERT_EQ(summary.fault, RecordFault::None);
    EXPECT_EQ(summary.lowestAddress, 0xF804u);
    const auto base = recordFileBase(summary.lowestAddress);
    const Window block = window(base + 0x100, 0x10);
    EXPECT_EQ(block.count, 0x10u);
    EXPECT_EQ(block.bytes, Bytes(monitor.begin() + 0x100, monitor.begin() + 0x110));
    // The first four bytes of the ROM are not in the file.
    const Window start = window(base, 8);
    EXPECT_EQ(start.count, 4u);
    EXPECT_EQ(start.defined,
              (std::vector<bool>{false, false, false, false, true, true, true, true}));
    EXPECT_EQ(start.bytes,
              (Bytes{0xFF, 0xFF, 0xFF, 0xFF, monitor[4], monitor[5], monitor[6], monitor[7]}));
}

TEST_F(RecordFileTest, IntelHexAcceptsLineEndsCaseSegmentsAndIgnoredRecords) {
    const std::string text = "  :0300300002337a1e\r\n" // lower case, leading spaces
                             ":020000021000EC \t\r\n"  // segment 1000h: base 10000h
                             ":0400000300003800C1\r\n" // start segment address: ignored
                             ":02000100AABB98\r\n"     // 10001h
                             "\r\n"
                             ":020000040002F8\n"     // linear 20000h
                             ":04000005000000CD2A\n" // start linear address: ignored
                             ":01FFFF0055AC\n"       // 2FFFFh
                             ":00000001FF\n"
                             "\n\n\x1A";
    ASSERT_NO_FATAL_FAILURE(expectWellFormed(RecordFormat::IntelHex, text, 0x30));
    EXPECT_EQ(window(0x30, 3).bytes, (Bytes{0x02, 0x33, 0x7A}));
    EXPECT_EQ(window(0x10000, 4).bytes, (Bytes{0xFF, 0xAA, 0xBB, 0xFF}));
    const Window top = window(0x2FFFE, 2);
    EXPECT_EQ(top.bytes, (Bytes{0xFF, 0x55}));
    EXPECT_EQ(top.defined, (std::vector<bool>{false, true}));

    // The same byte twice is no conflict; a missing end record is only a warning.
    const auto repeated = parse(RecordFormat::IntelHex, ":0100300002CD\n:0100300002CD\n");
    EXPECT_EQ(repeated.fault, RecordFault::None);
    EXPECT_TRUE(repeated.endRecordMissing);
}

TEST_F(RecordFileTest, SRecordsAcceptAllAddressWidthsAndWarnOfAWrongCount) {
    const std::string text = "S00600004844521B\n"
                             "S1060100010203F2\n"
                             "S205012345553C\n"
                             "s3"; // not a record mark: refused below
    EXPECT_EQ(parse(RecordFormat::SRecord, text).fault, RecordFault::Malformed);

    const std::string good = "S00600004844521B\r\n"
                             "S1060100010203F2\r\n"
                             "S205012345553C\r\n"
                             "S30AFFFFFFF8aabbccddee04\r\n"
                             "S5030003F9\r\n"
                             "S9030000FC\r\n";
    ASSERT_NO_FATAL_FAILURE(expectWellFormed(RecordFormat::SRecord, good, 0x100));
    EXPECT_EQ(window(0x100, 3).bytes, (Bytes{1, 2, 3}));
    EXPECT_EQ(window(0x12345, 1).bytes, (Bytes{0x55}));
    // A window reaching past FFFFFFFFh holds nothing there.
    const Window top = window(0xFFFFFFF8, 16);
    EXPECT_EQ(top.count, 5u);
    EXPECT_EQ(Bytes(top.bytes.begin(), top.bytes.begin() + 6),
              (Bytes{0xAA, 0xBB, 0xCC, 0xDD, 0xEE, 0xFF}));

    const auto miscounted = parse(RecordFormat::SRecord, "S1060100010203F2\nS5030002FA\n");
    EXPECT_EQ(miscounted.fault, RecordFault::None);
    EXPECT_TRUE(miscounted.countMismatch);
    EXPECT_TRUE(miscounted.endRecordMissing);
}

TEST_F(RecordFileTest, IntelHexRefusalsNameTheirLine) {
    const std::string good = ":0100300002CD\n";
    expectRefused(RecordFormat::IntelHex, good + ":0100310002CD\n", RecordFault::Checksum, 2);
    expectRefused(RecordFormat::IntelHex, good + ":00000001FE\n", RecordFault::Checksum, 2);
    expectRefused(RecordFormat::IntelHex, good + "\n0100310002CC\n", RecordFault::Malformed, 3);
    expectRefused(RecordFormat::IntelHex, good + ":01003100G2CC\n", RecordFault::NotHexadecimal, 2);
    expectRefused(RecordFormat::IntelHex, ":0100 300002CD\n", RecordFault::NotHexadecimal, 1);
    expectRefused(RecordFormat::IntelHex, good + ":0100310002C\n", RecordFault::Malformed, 2);
    expectRefused(RecordFormat::IntelHex, good + ":00000001\n", RecordFault::Malformed, 2);
    expectRefused(RecordFormat::IntelHex, good + ":020031000203C8\n", RecordFault::None, 0);
    expectRefused(RecordFormat::IntelHex, good + ":0300310002CA\n", RecordFault::LengthMismatch, 2);
    expectRefused(RecordFormat::IntelHex, good + ":01003100020300C6\n", RecordFault::LengthMismatch,
                  2);
    expectRefused(RecordFormat::IntelHex, good + ":00000006FA\n", RecordFault::UnknownType, 2);
    expectRefused(RecordFormat::IntelHex, good + ":0100000400FB\n", RecordFault::Malformed, 2);
    expectRefused(RecordFormat::IntelHex, good + ":00000001FF\n\n:0100310002CC\n",
                  RecordFault::AfterEnd, 4);
    // FFFF0000h + FFF8h + 10h bytes runs past 32 bits; ending exactly at the top is fine.
    const std::string top = ":02000004FFFFFC\n";
    expectRefused(RecordFormat::IntelHex,
                  good + top + ":10FFF800000102030405060708090A0B0C0D0E0F81\n",
                  RecordFault::AddressPast32Bits, 3);
    expectRefused(RecordFormat::IntelHex, top + ":08FFF8000001020304050607E5\n", RecordFault::None,
                  0);
}

TEST_F(RecordFileTest, SRecordRefusalsNameTheirLine) {
    const std::string good = "S1040100AA50\n";
    expectRefused(RecordFormat::SRecord, good + "S1040101AA50\n", RecordFault::Checksum, 2);
    expectRefused(RecordFormat::SRecord, good + "X1040101AA4F\n", RecordFault::Malformed, 2);
    expectRefused(RecordFormat::SRecord, good + "S\n", RecordFault::Malformed, 2);
    expectRefused(RecordFormat::SRecord, good + "S1040101AZ4F\n", RecordFault::NotHexadecimal, 2);
    expectRefused(RecordFormat::SRecord, good + "S1050101AA4F\n", RecordFault::LengthMismatch, 2);
    // A line longer than its count: the digits past the checksum are not ignored.
    expectRefused(RecordFormat::SRecord, good + "S1040101AA4F00\n", RecordFault::LengthMismatch, 2);
    // Counts and ends have their checksums checked as data records do.
    for (const char* record :
         {"S5030001FA", "S604000001FB", "S70500000000FB", "S804000000FA", "S9030000FD"}) {
        expectRefused(RecordFormat::SRecord, good + record + "\n", RecordFault::Checksum, 2);
    }
    expectRefused(RecordFormat::SRecord, good + "S10201FC\n", RecordFault::Malformed, 2);
    expectRefused(RecordFormat::SRecord, good + "S4030000FC\n", RecordFault::UnknownType, 2);
    expectRefused(RecordFormat::SRecord, good + "S9030000FC\nS1040101AA4F\n", RecordFault::AfterEnd,
                  3);
    expectRefused(RecordFormat::SRecord, good + "S307FFFFFFFF0102F9\n",
                  RecordFault::AddressPast32Bits, 2);
    EXPECT_EQ(parse(RecordFormat::SRecord, "").fault, RecordFault::None);
    EXPECT_FALSE(parse(RecordFormat::SRecord, "\n\n").hasData);
}

// A record that ends the text is read no further than its last digit: each text is the
// whole of an exactly sized heap buffer, so that the sanitizers see a read past it.
TEST_F(RecordFileTest, RecordsAtTheVeryEndOfTheTextAreReadWithinIt) {
    struct Case {
        RecordFormat format;
        std::string text;
    };
    const Case cases[] = {
        {RecordFormat::IntelHex, ":00000001FF"},
        {RecordFormat::IntelHex, ":0100300002CD\n:00000001FF"},
        {RecordFormat::IntelHex, ":0100300002CD\n:0400000300003800C1"},
        {RecordFormat::IntelHex, ":020000040001F9"},
        {RecordFormat::SRecord, "S1040100AA50\nS9030000FC"},
        {RecordFormat::SRecord, "S1040100AA50\nS5030001FB"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const std::unique_ptr<std::uint8_t[]> exact(new std::uint8_t[c.text.size()]);
        std::copy(c.text.begin(), c.text.end(), exact.get());
        const std::span<const std::uint8_t> text(exact.get(), c.text.size());
        EXPECT_EQ(parseRecordFile(c.format, text, table()).fault, RecordFault::None);
        EXPECT_EQ(rewrittenRecordFileFault(c.format, text, 0x100, Bytes{0x11, 0x22}), "");
    }
}

// Rewriting keeps every address outside the block as it was, wherever the cut records
// and the base records fall.
TEST_F(RecordFileTest, RewritingKeepsEveryByteOutsideTheBlock) {
    struct Case {
        RecordFormat format;
        std::string existing;
        std::uint32_t address;
        std::size_t size;
    };
    const Case cases[] = {
        // Segment base 8000h: the first record is cut, and the kept one after it stays at
        // 8020h only with the 02 record given again after the block's pieces.
        {RecordFormat::IntelHex,
         ":020000020800F4\n"
         ":10000000000102030405060708090A0B0C0D0E0F78\n"
         ":10002000202122232425262728292A2B2C2D2E2F58\n"
         ":00000001FF\n",
         0x8008, 4},
        // The same with a linear base, the block across the whole first record.
        {RecordFormat::IntelHex,
         ":020000040001F9\n"
         ":10000000000102030405060708090A0B0C0D0E0F78\n"
         ":10002000202122232425262728292A2B2C2D2E2F58\n",
         0xFFF8, 0x20},
        {RecordFormat::SRecord,
         "S00600004844521B\nS1060100010203F2\nS1040200AA4F\nS5030002FA\nS9030000FC\n", 0x1FF, 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.existing);
        EXPECT_EQ(
            rewrittenRecordFileFault(c.format, bytesOf(c.existing), c.address, pattern(c.size, 3)),
            "");
    }
}

TEST_F(RecordFileTest, DifferentBytesForOneAddressAnywhereNameTheLaterLine) {
    // 0105h: line 1 gives AAh (a long record), line 4 gives BBh, far apart in the file.
    const std::string text = ":10010000000000000000AA00000000000000000045\n"
                             ":020000040001F9\n"
                             ":0100050011E9\n"
                             ":020000040000FA\n"
                             ":01010500BB3E\n";
    expectRefused(RecordFormat::IntelHex, text, RecordFault::Conflict, 5);
    // The earliest line that contradicts an earlier one is line 2, though line 4
    // sorts first (it starts at 0104h) and disagrees with line 1 as well.
    const std::string order = "S10401050AEB\n"    // 0105h: 0Ah, line 1
                              "S104010522D3\n"    // 0105h: 22h
                              "S104010511E4\n"    // 0105h: 11h
                              "S10501042222B1\n"; // 0104h-0105h
    expectRefused(RecordFormat::SRecord, order, RecordFault::Conflict, 2);
    // A conflict before a malformed line is the earlier fault.
    expectRefused(RecordFormat::SRecord, "S1040100AA50\nS1040100BB3F\nnonsense\n",
                  RecordFault::Conflict, 2);
}

TEST_F(RecordFileTest, LimitsAreRefusalsOfTheirOwn) {
    std::string huge(MaxRecordFileSize + 1, '\n');
    expectRefused(RecordFormat::IntelHex, huge, RecordFault::FileTooLarge, 0);
    std::string many;
    for (std::size_t i = 0; i <= MaxDataRecords; ++i) {
        many += ":0100300002CD\n";
    }
    expectRefused(RecordFormat::IntelHex, many, RecordFault::TooManyRecords,
                  static_cast<std::uint32_t>(MaxDataRecords + 1));
}

TEST_F(RecordFileTest, NewFilesHaveTheExactText) {
    EXPECT_EQ(written(RecordFormat::IntelHex, 0x100, {1, 2, 3}),
              ":03010000010203F6\n:00000001FF\n");
    EXPECT_EQ(written(RecordFormat::IntelHex, 0x12340, {0xAA}),
              ":020000040001F9\n:01234000AAF2\n:00000001FF\n");
    EXPECT_EQ(written(RecordFormat::SRecord, 0x100, {1, 2, 3}),
              "S0030000FC\nS1060100010203F2\nS5030001FB\nS9030000FC\n");
    EXPECT_EQ(written(RecordFormat::SRecord, 0x12345, {0x55}),
              "S0030000FC\nS205012345553C\nS5030001FB\nS804000000FB\n");
    // 18 bytes: a record of 16 and one of 2; the 64 KB boundary splits a record.
    const std::string split = written(RecordFormat::IntelHex, 0xFFF8,
                                      Bytes{0x00, 0x0D, 0x1A, 0x27, 0x34, 0x41, 0x4E, 0x5B, 0x68,
                                            0x75, 0x82, 0x8F, 0x9C, 0xA9, 0xB6, 0xC3, 0xD0, 0xDD});
    EXPECT_EQ(split, ":08FFF800000D1A2734414E5B95\n"
                     ":020000040001F9\n"
                     ":0A0000006875828F9CA9B6C3D0DD9D\n"
                     ":00000001FF\n");
}

TEST_F(RecordFileTest, WrittenFilesReadBackAsTheBlock) {
    struct Case {
        RecordFormat format;
        std::uint32_t address;
        std::size_t size;
        std::size_t lines;
    };
    const Case cases[] = {
        {RecordFormat::IntelHex, 0, 0x800, 129},
        {RecordFormat::IntelHex, 0x1FFF8, 0x20, 6},
        {RecordFormat::IntelHex, 0xFFFFF800, 0x800, 130},
        {RecordFormat::SRecord, 0xF800, 0x800, 131},
        {RecordFormat::SRecord, 0xFFF8, 0x11, 5},
        {RecordFormat::SRecord, 0xFFFFF800, 0x800, 131},
    };
    for (const Case& c : cases) {
        const Bytes block = pattern(c.size, c.address);
        const std::string text = written(c.format, c.address, block);
        EXPECT_EQ(static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n')), c.lines)
            << std::hex << c.address;
        ASSERT_NO_FATAL_FAILURE(expectWellFormed(c.format, text, c.address))
            << std::hex << c.address;
        const Window back = window(c.address, c.size);
        EXPECT_EQ(back.bytes, block) << std::hex << c.address;
        EXPECT_EQ(back.count, c.size);
        EXPECT_EQ(window(c.address - 1, 1).count, 0u);
    }
    // Too small a buffer is a failure, not a cut file.
    std::uint8_t small[40];
    EXPECT_FALSE(writeRecordFile(RecordFormat::IntelHex, 0, pattern(16, 0), small).has_value());
    EXPECT_TRUE(writeRecordFile(RecordFormat::IntelHex, 0, pattern(8, 0), small).has_value());
    EXPECT_FALSE(
        writeRecordFile(RecordFormat::SRecord, 0xFFFFFFF0, pattern(17, 0), std::span(small))
            .has_value());
}

TEST_F(RecordFileTest, RewritingIntelHexKeepsOtherRecordsAndRestoresTheirContext) {
    // 20h bytes at 100h, a record at 10100h after an 04 record, then 03 and the end.
    const std::string existing = ":10010000000102030405060708090A0B0C0D0E0F77\r\n"
                                 ":10011000101112131415161718191A1B1C1D1E1F67\r\n"
                                 ":020000040001F9\r\n"
                                 ":02010000CAFE35\r\n"
                                 ":0400000300003800C1\r\n"
                                 ":00000001FF\r\n";
    ASSERT_EQ(parse(RecordFormat::IntelHex, existing).fault, RecordFault::None);
    // The block covers 108h-117h: both first records are cut.
    const Bytes block(0x10, 0xEE);
    const std::string text = rewritten(RecordFormat::IntelHex, existing, 0x108, block);
    EXPECT_EQ(text, ":080100000001020304050607DB\r\n"
                    ":0801180018191A1B1C1D1E1F03\r\n"
                    ":020000040001F9\r\n"
                    ":02010000CAFE35\r\n"
                    ":0400000300003800C1\r\n"
                    ":020000040000FA\r\n"
                    ":10010800EEEEEEEEEEEEEEEEEEEEEEEEEEEEEEEE07\r\n"
                    ":00000001FF\r\n");
    const auto summary = parse(RecordFormat::IntelHex, text);
    ASSERT_EQ(summary.fault, RecordFault::None);
    const Window low = window(0x100, 0x20);
    EXPECT_EQ(low.count, 0x20u);
    for (std::size_t i = 0; i < 0x20; ++i) {
        EXPECT_EQ(low.bytes[i], i >= 8 && i < 0x18 ? 0xEE : i) << i;
    }
    EXPECT_EQ(window(0x10100, 2).bytes, (Bytes{0xCA, 0xFE}));

    // A block in another segment, and a file without its end record: records after
    // the block's 04 record get theirs back, and the end record is added.
    const std::string open = ":020000040001F9\n:02010000CAFE35\n:02000004000"
                             "0FA\n:0100300002CD";
    const std::string moved = rewritten(RecordFormat::IntelHex, open, 0x10101, {0x11});
    EXPECT_EQ(moved, ":020000040001F9\n:01010000CA34\n:020000040000FA\n:0100300002CD\n"
                     ":020000040001F9\n:0101010011EC\n:00000001FF\n");
}

TEST_F(RecordFileTest, RewritingSRecordsRecomputesTheCountAndWidensTheEnd) {
    const std::string existing = "S00600004844521B\n"
                                 "S1060100010203F2\n"
                                 "S1040200AA4F\n"
                                 "S5030002FA\n"
                                 "S9030000FC\n";
    ASSERT_EQ(parse(RecordFormat::SRecord, existing).fault, RecordFault::None);
    const std::string text = rewritten(RecordFormat::SRecord, existing, 0x101, {0x77});
    EXPECT_EQ(text, "S00600004844521B\n"
                    "S104010001F9\n"
                    "S104010203F5\n"
                    "S1040200AA4F\n"
                    "S10401017782\n"
                    "S5030004F8\n"
                    "S9030000FC\n");
    const auto summary = parse(RecordFormat::SRecord, text);
    EXPECT_EQ(summary.fault, RecordFault::None);
    EXPECT_FALSE(summary.countMismatch);
    EXPECT_EQ(window(0x100, 3).bytes, (Bytes{0x01, 0x77, 0x03}));

    // A block above FFFFh turns S9 into S8; the record inside the range is dropped.
    const std::string wide = rewritten(RecordFormat::SRecord, existing, 0x100, pattern(0x10001, 0));
    const auto wideSummary = parse(RecordFormat::SRecord, wide);
    ASSERT_EQ(wideSummary.fault, RecordFault::None);
    EXPECT_FALSE(wideSummary.countMismatch);
    EXPECT_NE(wide.find("\nS804000000FB\n"), std::string::npos);
    EXPECT_EQ(wide.find("S1060100"), std::string::npos);
    EXPECT_EQ(window(0x100, 0x10001).bytes, pattern(0x10001, 0));
}

// A general-purpose converter reads the written files as the same bytes.
TEST_F(RecordFileTest, ObjcopyReadsTheWrittenFiles) {
    if (std::system("objcopy --version > /dev/null 2>&1") != 0) {
        GTEST_SKIP() << "objcopy is not installed";
    }
    const TempFolder temp("record-objcopy");
    const fs::path& folder = temp.path();
    const Bytes block = pattern(0x800, 7);
    for (const auto& [format, input] :
         {std::pair{RecordFormat::IntelHex, "ihex"}, std::pair{RecordFormat::SRecord, "srec"}}) {
        const std::string text = written(format, 0x1F800, block);
        writeFile(folder / "rom.txt", bytesOf(text));
        const std::string command = std::string("objcopy -I ") + input + " -O binary " +
                                    (folder / "rom.txt").string() + " " +
                                    (folder / "rom.bin").string();
        ASSERT_EQ(std::system(command.c_str()), 0) << command;
        EXPECT_EQ(readFile(folder / "rom.bin"), block) << input;
    }
}

TEST_F(RecordFileTest, ReplacingAFileIsOneRename) {
    const TempFolder temp("record-replace");
    const fs::path& folder = temp.path();
    const fs::path target = folder / u"ПЗУ.hex";
    const fs::path temporary = folder / u"ПЗУ.hex.tmp";
    writeFile(target, Bytes{1, 2, 3, 4});
    writeFile(temporary, Bytes{9});
    EXPECT_TRUE(replaceImageFile(temporary.c_str(), target.c_str()));
    EXPECT_EQ(readFile(target), Bytes{9});
    EXPECT_FALSE(fs::exists(temporary));
    // A missing temporary file leaves the target as it is.
    EXPECT_FALSE(replaceImageFile(temporary.c_str(), target.c_str()));
    EXPECT_EQ(readFile(target), Bytes{9});
}

} // namespace
} // namespace rfprog::test
