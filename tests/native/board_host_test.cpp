// The simulated board's host: its memory files, which file it names when one cannot be
// kept, its opening at the first access, and its trace.
#include "sim/board_host.h"
#include "tests/support/test_data.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace rfprog::sim {
namespace {

namespace fs = std::filesystem;
using test::readFile;
using test::writeFile;

struct TraceText final : TraceSink {
    std::string text;
    void traceLine(std::string_view line) override { text += line; }
};

class BoardHostTest : public ::testing::Test {
  protected:
    test::TempFolder temp_{"host"};
    const fs::path folder_ = temp_.path();
    const std::string rom_ = (folder_ / "rom.bin").string();
    const std::string emulator_ = (folder_ / "emulator.bin").string();
    const std::string missing_ = (folder_ / "no-such-folder" / "e.bin").string();

    // Data 0x55 stored at address 0 by the emulator's write strobe.
    static void strobe(BoardHost& host) {
        host.writeData(0x55);
        for (const std::uint8_t value : {0x08, 0x0A, 0x08, 0x00}) {
            host.writeControl(static_cast<ControlValue>(value));
        }
    }
};

TEST_F(BoardHostTest, OpenNamesTheFileThatCannotBeWrittenAndWritesNoMoreAfterIt) {
    BoardHost emulatorLost;
    emulatorLost.setUp(rom_.c_str(), missing_.c_str(), nullptr);
    EXPECT_EQ(emulatorLost.open(), SimFile::Emulator);
    EXPECT_EQ(readFile(folder_ / "rom.bin"), std::vector<std::uint8_t>(RomSize, 0xFF));

    fs::remove(folder_ / "rom.bin");
    BoardHost romLost;
    romLost.setUp(missing_.c_str(), emulator_.c_str(), nullptr);
    EXPECT_EQ(romLost.open(), SimFile::Rom);
    EXPECT_FALSE(fs::exists(folder_ / "emulator.bin"));
    EXPECT_TRUE(romLost.board.emulatorPlugged);

    BoardHost bothKept;
    bothKept.setUp(rom_.c_str(), emulator_.c_str(), nullptr);
    EXPECT_EQ(bothKept.open(), SimFile::None);
    EXPECT_EQ(bothKept.lostFile(), SimFile::None);
}

TEST_F(BoardHostTest, FilesAreLoadedAndPatchedInPlace) {
    std::vector<std::uint8_t> longer(RomSize + 3, 0x11);
    longer[RomSize] = 0x22;
    writeFile(folder_ / "rom.bin", longer);
    writeFile(folder_ / "emulator.bin", std::vector<std::uint8_t>{0x33, 0x44});
    BoardHost host;
    host.setUp(rom_.c_str(), emulator_.c_str(), nullptr);
    ASSERT_EQ(host.open(), SimFile::None);
    EXPECT_EQ(host.board.rom[RomSize - 1], 0x11);
    EXPECT_EQ(readFile(folder_ / "rom.bin"), longer); // the bytes past the ROM stay
    std::vector<std::uint8_t> emulator(RomSize, 0xFF);
    emulator[0] = 0x33;
    emulator[1] = 0x44;
    EXPECT_EQ(readFile(folder_ / "emulator.bin"), emulator); // filled up to the ROM size

    strobe(host);
    emulator[0] = 0x55;
    EXPECT_EQ(readFile(folder_ / "emulator.bin"), emulator); // at once, on the change
    EXPECT_EQ(host.lostFile(), SimFile::None);
}

TEST_F(BoardHostTest, AChangeThatCannotBeWrittenBackNamesItsFile) {
    BoardHost host;
    host.setUp(rom_.c_str(), emulator_.c_str(), nullptr);
    ASSERT_EQ(host.open(), SimFile::None);
    fs::remove(folder_ / "emulator.bin");
    fs::create_directory(folder_ / "emulator.bin");
    host.writeControl(ControlValue::Idle);
    EXPECT_EQ(host.lostFile(), SimFile::None); // nothing changed, nothing written
    strobe(host);
    EXPECT_EQ(host.lostFile(), SimFile::Emulator);
    EXPECT_EQ(host.board.emulator[0], 0x55); // the board keeps it meanwhile
}

TEST_F(BoardHostTest, OpensAtTheFirstAccessAndTracesWhatTheBoardSees) {
    TraceText trace;
    BoardHost host;
    host.setUp(rom_.c_str(), nullptr, &trace);
    std::vector<std::uint8_t> rom(RomSize, 0xFF);
    rom[0] = 0x5A;
    writeFile(folder_ / "rom.bin", rom); // after set-up: opening has not happened yet
    EXPECT_TRUE(trace.text.empty());

    host.writeControl(ControlValue::ReadRom);
    EXPECT_EQ(host.readData(), 0x5A);
    host.out(0xD012, 0x00); // no register of the board's: traced, and nowhere
    EXPECT_EQ(host.in(0xD010), 0xFF);
    EXPECT_EQ(host.board.control(), ControlValue::ReadRom);
    host.trace(PortAccess::Read, DataRegister, 0x42);
    EXPECT_EQ(trace.text, "W 37A AA\nR 378 5A\nW D012 00\nR D010 FF\nR 378 42\n");
}

} // namespace
} // namespace rfprog::sim
