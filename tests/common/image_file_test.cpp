// Image-file blocks: the same suite runs natively (POSIX files) and under Wine
// (Windows file services), with the names as each system takes them.
#include "image/image_file.h"
#include "tests/support/test_data.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#endif

namespace fs = std::filesystem;
using rfprog::readImageBlock;
using rfprog::writeImageBlock;
using rfprog::test::pattern;
using rfprog::test::readFile;
using rfprog::test::writeFile;

namespace {

class ImageFileTest : public ::testing::Test {
  protected:
    fs::path path(const std::u16string& name) const { return folder_ / fs::path(name); }

    using Name = std::basic_string<rfprog::FileNameChar>;
    static Name name(const fs::path& p) {
#ifdef _WIN32
        return p.u16string();
#else
        return p.string(); // the bytes of the name, UTF-8
#endif
    }

    rfprog::test::TempFolder temp_{"rfprog-image"};
    const fs::path folder_ = temp_.path();
};

TEST_F(ImageFileTest, ReadsExactBlockAtOffsetAndReportsShortFiles) {
    const auto file = path(u"image.bin");
    const auto content = pattern(0x200, 3);
    writeFile(file, content);

    std::vector<std::uint8_t> buffer(0x10, 0xEE);
    EXPECT_EQ(readImageBlock(name(file).c_str(), buffer, 0x100), 0);
    EXPECT_EQ(buffer, std::vector<std::uint8_t>(content.begin() + 0x100, content.begin() + 0x110));

    // The block reaches past the end: fewer bytes than asked for.
    std::vector<std::uint8_t> whole(0x800);
    writeFile(file, pattern(0x7FF, 5));
    EXPECT_EQ(readImageBlock(name(file).c_str(), whole, 0), 1);
    // A block that starts past the end transfers nothing.
    EXPECT_EQ(readImageBlock(name(file).c_str(), std::span(whole).first(1), 0x1000), 1);
}

TEST_F(ImageFileTest, ReadFailsToOpenMissingEmptyAndDirectoryNames) {
    std::vector<std::uint8_t> buffer(0x10, 0xEE);
    EXPECT_EQ(readImageBlock(name(path(u"missing.bin")).c_str(), buffer, 0), -1);
    EXPECT_EQ(readImageBlock(Name().c_str(), buffer, 0), -1);
    EXPECT_EQ(readImageBlock(name(folder_).c_str(), buffer, 0), -1);
    EXPECT_EQ(buffer, std::vector<std::uint8_t>(0x10, 0xEE));
}

// A block written into a file: the file ends at the block's end or its own, whichever is
// later, and every byte of it outside the block is as it was.
struct BlockWrite {
    const char16_t* name;
    bool fileExists;
    std::size_t fileSize;
    std::size_t blockSize;
    std::uint32_t offset;
    std::size_t sizeAfter;
};

constexpr BlockWrite BlockWrites[] = {
    {u"new.bin", false, 0, 0x10, 0x20, 0x30},               // created up to the block's end
    {u"big.bin", true, 0x4000, 0x800, 0x1000, 0x4000},      // patched in place
    {u"short.bin", true, 0x100, 0x10, 0xFFFFF0, 0x1000000}, // extended past its end
};

TEST_F(ImageFileTest, WritePlacesTheBlockAndKeepsTheOtherBytes) {
    unsigned seed = 1;
    for (const BlockWrite& row : BlockWrites) {
        SCOPED_TRACE(fs::path(row.name).string());
        const auto file = path(row.name);
        const auto original = pattern(row.fileSize, seed++);
        if (row.fileExists) {
            writeFile(file, original);
        }
        const auto block = pattern(row.blockSize, seed++);
        EXPECT_EQ(writeImageBlock(name(file).c_str(), block, row.offset), 0);
        const auto written = readFile(file);
        ASSERT_EQ(written.size(), row.sizeAfter);
        EXPECT_TRUE(std::equal(block.begin(), block.end(), written.begin() + row.offset));
        const std::size_t before = std::min<std::size_t>(row.offset, original.size());
        EXPECT_TRUE(std::equal(original.begin(), original.begin() + before, written.begin()));
        const std::size_t blockEnd = row.offset + row.blockSize;
        if (blockEnd < original.size()) {
            EXPECT_TRUE(std::equal(original.begin() + blockEnd, original.end(),
                                   written.begin() + blockEnd));
        }
    }
}

TEST_F(ImageFileTest, WriteFailsOnEmptyNameAndDirectory) {
    const std::vector<std::uint8_t> block(4, 0x11);
    EXPECT_EQ(writeImageBlock(Name().c_str(), block, 0), -1);
    EXPECT_EQ(writeImageBlock(name(folder_).c_str(), block, 0), -1);
    EXPECT_TRUE(fs::is_directory(folder_));
}

TEST_F(ImageFileTest, CyrillicNamesRoundTrip) {
    const auto file = path(u"Прошивка ПЗУ №1.rom");
    const auto block = pattern(0x800, 11);
    ASSERT_EQ(writeImageBlock(name(file).c_str(), block, 0), 0);
    EXPECT_TRUE(fs::exists(file));
    std::vector<std::uint8_t> back(0x800);
    EXPECT_EQ(readImageBlock(name(file).c_str(), back, 0), 0);
    EXPECT_EQ(back, block);
}

#ifndef _WIN32
// The dialog program's UTF-16 names reach the same files as UTF-8 ones.
TEST_F(ImageFileTest, DialogNamesInUtf16ReachTheSameFiles) {
    const auto file = path(u"Прошивка ПЗУ №2.rom");
    const auto block = pattern(0x800, 12);
    ASSERT_EQ(writeImageBlock(file.u16string().c_str(), block, 0), 0);
    std::vector<std::uint8_t> back(0x800);
    EXPECT_EQ(readImageBlock(name(file).c_str(), back, 0), 0);
    EXPECT_EQ(back, block);
    EXPECT_EQ(readImageBlock(file.u16string().c_str(), back, 0), 0);
    // An unpaired surrogate names no file: nothing is created.
    const std::u16string unpaired =
        folder_.u16string() + u"/a" + std::u16string(1, char16_t{0xD800}) + u".rom";
    EXPECT_EQ(writeImageBlock(unpaired.c_str(), block, 0), -1);
    EXPECT_EQ(readImageBlock(u"", back, 0), -1);
    EXPECT_EQ(std::distance(fs::directory_iterator(folder_), fs::directory_iterator()), 1);
}
#endif

#ifdef _WIN32
// Writing opens with no sharing: it fails while another handle holds the file,
// and leaves the file as it was. Reading lets other readers in.
TEST_F(ImageFileTest, WriteFailsWhileAnotherHandleHoldsTheFile) {
    const auto file = path(u"held.bin");
    const auto original = pattern(0x100, 6);
    writeFile(file, original);
    HANDLE holder =
        CreateFileW(file.wstring().c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    const std::vector<std::uint8_t> block(0x10, 0);
    EXPECT_EQ(writeImageBlock(name(file).c_str(), block, 0), -1);
    std::vector<std::uint8_t> back(0x10);
    EXPECT_EQ(readImageBlock(name(file).c_str(), back, 0), 0);
    CloseHandle(holder);
    EXPECT_EQ(readFile(file), original);
}

TEST_F(ImageFileTest, ReadFailsWhileAWriterHoldsTheFileUnshared) {
    const auto file = path(u"locked.bin");
    writeFile(file, pattern(0x100, 8));
    HANDLE holder = CreateFileW(file.wstring().c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    std::vector<std::uint8_t> back(0x10);
    EXPECT_EQ(readImageBlock(name(file).c_str(), back, 0), -1);
    CloseHandle(holder);
}
#endif

} // namespace
