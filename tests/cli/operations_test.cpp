// The operations on the simulated board: exit status, file bytes, report text, and the
// port trace against the core's traffic for the same block, which is the dialog
// program's traffic for it (a write passes over the bytes the ROM holds already). The
// checksum lines were computed with Python's zlib.crc32 and hashlib.sha1 and the sum of
// the bytes, when the tests were written.
#include "device/pulse_plan.h"
#include "tests/cli/cli_test_support.h"

#include <algorithm>
#include <array>

namespace rfprog::test {
namespace {

using OperationsTest = CliTest;

TEST_F(OperationsTest, ReadPatchesTheBlockIntoTheFileWithTheCoresTraffic) {
    const auto rom0 = pattern(RomSize, 5);
    writeFile(rom, rom0);
    const fs::path image = folder / "image.bin";
    writeFile(image, std::vector<std::uint8_t>(0x1000, 0x11));

    const CliResult result = run({"read", image.string(), "--rom-offset", "0x100", "--length", "32",
                                  "--file-offset=0x800", "--trace", trace.string()});
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.out, "read: 32 bytes from ROM 0x100 written into " + image.string() +
                              " at offset 0x800\n"
                              "crc32 F6B3FE31  sha1 566ef4d20297457d6a39985efee42ea3f704cce1  "
                              "sum16 10D0\n");
    auto expected = std::vector<std::uint8_t>(0x1000, 0x11);
    std::copy_n(rom0.begin() + 0x100, 32, expected.begin() + 0x800);
    EXPECT_EQ(readFile(image), expected); // patched in place, size kept

    CoreRun core;
    std::copy(rom0.begin(), rom0.end(), core.board.rom.begin());
    std::vector<std::uint8_t> block(32);
    core.device.readRomBlock(block, 0x100); // two passes by default
    core.device.readRomBlock(block, 0x100);
    EXPECT_EQ(traceFile(), core.programTrace());
    EXPECT_EQ(readFile(rom), rom0);
}

TEST_F(OperationsTest, ReadCreatesAMissingFileUpToTheBlock) {
    const fs::path image = folder / "new.bin";
    const CliResult result = run({"read", image.string(), "--file-offset", "16", "--length", "4"});
    EXPECT_EQ(result.status, 0) << result.err;
    const auto bytes = readFile(image);
    ASSERT_EQ(bytes.size(), 20u);
    EXPECT_TRUE(std::all_of(bytes.begin() + 16, bytes.end(), [](auto b) { return b == 0xFF; }));
}

TEST_F(OperationsTest, WriteChecksProgramsAndVerifiesWithTheCoresTraffic) {
    const auto image = pattern(RomSize, 7); // eight FFh bytes, which the erased ROM holds
    const fs::path file = folder / "image.bin";
    writeFile(file, image);

    const CliResult result = run({"write", file.string(), "--trace", trace.string()});
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.out, "write: 2048 bytes at ROM 0x000 verified: 2040 programmed, 8 already "
                          "held\n"
                          "crc32 7341C357  sha1 feda522d575fb04da5304a67334cdafc3c565f58  "
                          "sum16 FB00\n");
    EXPECT_EQ(readFile(rom), image);

    // The pre-check is one block read; the verification reads the block as the dialog's
    // compare does when it matches.
    CoreRun core;
    std::vector<std::uint8_t> block(RomSize);
    core.device.readRomBlock(block, 0);
    std::array<bool, RomSize> pulse{};
    EXPECT_EQ(planPulses(PulseRule::Changed, image, block, {}, pulse).programmed, 2040u);
    core.device.programSelectedBytes(image, pulse, 0);
    EXPECT_EQ(core.device.verifyRomBlock(image, 0), 0);
    EXPECT_EQ(traceFile(), core.programTrace());
}

TEST_F(OperationsTest, WriteRefusesBitsThatOnlyErasingSetsAndChangesNothing) {
    auto rom0 = erased();
    rom0[0x10] = 0x00;
    rom0[0x21] = 0xEF;
    rom0[0x22] = 0x0F; // the file's 0x0F there programs fine
    writeFile(rom, rom0);
    const fs::path file = folder / "image.bin";
    auto image = erased();
    image[0x22] = 0x0F;
    image[0x30] = 0x00;
    writeFile(file, image);

    const CliResult result =
        run({"write", file.string(), "--length", "0x40", "--trace", trace.string()});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.out, "write: refused, nothing programmed: a bit would have to go from 0 to "
                          "1, which only erasing does: erase the chip (UV) first. --force "
                          "programs anyway, but cannot set a 0 bit to 1\n"
                          "0x010: file FF, ROM 00\n"
                          "0x021: file FF, ROM EF\n"
                          "bytes that need a bit from 0 to 1: 2 of 64\n");
    EXPECT_EQ(readFile(rom), rom0);

    CoreRun core;
    std::copy(rom0.begin(), rom0.end(), core.board.rom.begin());
    std::vector<std::uint8_t> block(0x40);
    core.device.readRomBlock(block, 0);
    EXPECT_EQ(traceFile(), core.programTrace()); // the check's read, and no pulse
}

TEST_F(OperationsTest, ForcedWriteProgramsAnywayAndReportsWhatDidNotTake) {
    auto rom0 = erased();
    rom0[0x3] = 0x0F;
    writeFile(rom, rom0);
    const fs::path file = folder / "image.bin";
    writeFile(file, std::vector<std::uint8_t>(8, 0xF0));

    const CliResult result = run({"write", file.string(), "--length", "8", "--force"});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.out, "write: the ROM does not match the file after programming\n"
                          "0x003: file F0, ROM 00\n"
                          "differing bytes: 1 of 8\n"
                          "bits read as 0 instead of 1: 4; read as 1 instead of 0: 0\n");
    EXPECT_EQ(readFile(rom)[3], 0x00);
}

TEST_F(OperationsTest, AStuckDataBitIsNamedAfterProgrammingNotOverAnErasedRom) {
    const auto image = pattern(RomSize, 9);
    const fs::path file = folder / "image.bin";
    writeFile(file, image);
    const Environment stuck = {{"RFPROG_SIM_FAULTS", "stuck0=10"}};
    const auto withBit4 =
        std::count_if(image.begin(), image.end(), [](std::uint8_t b) { return (b & 0x10) != 0; });
    const std::string stuckLine = "data bit 4 always reads 0: stuck line or open contact?";

    // The erased ROM reads 0 in bit 4, so the pre-check refuses; it reads EFh throughout,
    // one value, which names no line.
    const CliResult refused = run({"write", file.string()}, stuck);
    EXPECT_EQ(refused.status, 1);
    EXPECT_NE(refused.out.find("bytes that need a bit from 0 to 1: " + std::to_string(withBit4) +
                               " of 2048\n"),
              std::string::npos)
        << refused.out;
    EXPECT_EQ(lastLine(refused.out), "every compared byte reads EF: the board's data path reads EF "
                                     "everywhere; no single line is to blame for that");
    EXPECT_EQ(lineCount(refused.out, "always reads"), 0u);
    EXPECT_EQ(readFile(rom), erased());

    const CliResult forced = run({"write", file.string(), "--force"}, stuck);
    EXPECT_EQ(forced.status, 1);
    EXPECT_NE(forced.out.find("differing bytes: " + std::to_string(withBit4) + " of 2048\n"),
              std::string::npos)
        << forced.out;
    EXPECT_NE(forced.out.find("bits read as 0 instead of 1: " + std::to_string(withBit4) +
                              "; read as 1 instead of 0: 0\n"),
              std::string::npos);
    EXPECT_EQ(lineCount(forced.out, ": file "), 16u); // the first 16 differences
    EXPECT_EQ(lineCount(forced.out, "always reads"), 1u);
    EXPECT_EQ(lastLine(forced.out), stuckLine);
    EXPECT_EQ(readFile(rom), image); // the ROM itself took every byte
}

TEST_F(OperationsTest, EmulatorWriteAsksTwiceLoadsAndVerifiesWithTheCoresTraffic) {
    const auto image = pattern(0x100, 4);
    const fs::path file = folder / "image.bin";
    writeFile(file, image);
    const fs::path emulator = folder / "emulator.bin";

    const CliResult result = run({"write", file.string(), "--emulator", "--yes", "--rom-offset",
                                  "0x700", "--length", "0x100", "--trace", trace.string()},
                                 {{"RFPROG_SIM_EMULATOR", emulator.string()}});
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.out, "write: 256 bytes at ROM 0x700 loaded into the emulator and verified\n"
                          "crc32 D68F3313  sha1 056860dce829dba9223bc7f8d4b04052bb193ad8  "
                          "sum16 7F00\n");
    EXPECT_EQ(result.err, "Switch the emulator to WRITE, then press Enter (n stops).\n"
                          "(answered by --yes)\n"
                          "Switch the emulator to READ, then press Enter (n stops).\n"
                          "(answered by --yes)\n");
    auto expected = erased();
    std::copy(image.begin(), image.end(), expected.begin() + 0x700);
    EXPECT_EQ(readFile(emulator), expected);
    EXPECT_EQ(readFile(rom), erased());

    CoreRun core;
    core.board.emulatorPlugged = true;
    core.device.loadEmulatorBlock(image, 0x700);
    EXPECT_EQ(core.device.verifyRomBlock(image, 0x700), 0);
    EXPECT_EQ(traceFile(), core.programTrace());
}

TEST_F(OperationsTest, VerifyMatchesWithTheDialogsCompareTraffic) {
    const auto rom0 = pattern(RomSize, 2);
    writeFile(rom, rom0);
    const fs::path file = folder / "image.bin";
    writeFile(file, std::vector<std::uint8_t>(rom0.begin() + 0x40, rom0.begin() + 0x80));

    const CliResult result = run({"verify", file.string(), "--rom-offset", "64", "--length", "64",
                                  "--trace", trace.string()});
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.out, "verify: 64 bytes at ROM 0x040 match the file\n"
                          "crc32 AD31B88C  sha1 49d58263b2b500b53d1c57f0a3e74664302db8d3  "
                          "sum16 20E0\n");

    CoreRun core;
    std::copy(rom0.begin(), rom0.end(), core.board.rom.begin());
    const std::vector<std::uint8_t> block(rom0.begin() + 0x40, rom0.begin() + 0x80);
    EXPECT_EQ(core.device.verifyRomBlock(block, 0x40), 0);
    EXPECT_EQ(traceFile(), core.programTrace());
}

TEST_F(OperationsTest, VerifyListsTheFirstSixteenDifferencesAndCountsAll) {
    const auto image = pattern(RomSize, 8);
    auto rom0 = image;
    for (std::size_t i = 0; i < 20; ++i) {
        rom0[0x100 + i * 8] ^= static_cast<std::uint8_t>(i % 2 == 0 ? 0x01 : 0x81);
    }
    writeFile(rom, rom0);
    const fs::path file = folder / "image.bin";
    writeFile(file, image);

    const CliResult result = run({"verify", file.string()});
    EXPECT_EQ(result.status, 1);
    std::string expected = "verify: the ROM differs from the file\n";
    for (std::size_t i = 0; i < 16; ++i) {
        char line[64];
        std::snprintf(line, sizeof line, "0x%03zX: file %02X, ROM %02X\n", 0x100 + i * 8,
                      image[0x100 + i * 8], rom0[0x100 + i * 8]);
        expected += line;
    }
    expected += "differing bytes: 20 of 2048\n";
    EXPECT_EQ(result.out.substr(0, expected.size()), expected);
    // 30 bits wrong in all; bit 0 is wrong at every difference, but not always one way.
    int readAsZero = 0;
    for (std::size_t i = 0; i < RomSize; ++i) {
        readAsZero += __builtin_popcount(image[i] & ~rom0[i] & 0xFF);
    }
    EXPECT_EQ(result.out.substr(expected.size()),
              "bits read as 0 instead of 1: " + std::to_string(readAsZero) +
                  "; read as 1 instead of 0: " + std::to_string(30 - readAsZero) + "\n");
}

TEST_F(OperationsTest, BlankOnAnErasedRomHasTheDialogsBlankCheckTraffic) {
    writeFile(trace, std::vector<std::uint8_t>(200000, 'x')); // replaced, not appended to
    const CliResult result = run({"blank", "--trace", trace.string()});
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.out, "blank: 2048 bytes at ROM 0x000 read FF\n");
    CoreRun core;
    EXPECT_EQ(core.device.blankCheck(), 0);
    EXPECT_EQ(traceFile(), core.programTrace());
}

TEST_F(OperationsTest, BlankReportsTheBytesThatAreNotErasedInTheBlock) {
    auto rom0 = erased();
    rom0[0x005] = 0x7F;
    rom0[0x400] = 0x00; // outside the block
    writeFile(rom, rom0);
    const CliResult result = run({"blank", "--length", "0x400"});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.out, "blank: the ROM is not blank\n"
                          "0x005: ROM 7F instead of FF\n"
                          "differing bytes: 1 of 1024\n"
                          "bits read as 0 instead of 1: 1; read as 1 instead of 0: 0\n");
    EXPECT_EQ(run({"blank", "--rom-offset", "0x401", "--length", "0x3FF"}).status, 0);
}

TEST_F(OperationsTest, TimerReportsTheAnswerWithTheCoresTraffic) {
    const CliResult answered =
        run({"timer", "--yes", "--trace", trace.string()}, {{"RFPROG_SIM_TIMER", "3"}});
    EXPECT_EQ(answered.status, 0) << answered.err;
    EXPECT_EQ(answered.out, "timer: the board's timer answered\n");
    EXPECT_NE(answered.err.find("The ROM chip must be out of its socket."), std::string::npos);
    CoreRun core;
    core.board.timerAnswersOnRead = 3;
    EXPECT_EQ(core.device.testPulseTimer(), RomDevice::PulseTimerReads - 2);
    core.device.switchOff();
    EXPECT_EQ(traceFile(), core.programTrace());

    const CliResult silent =
        run({"timer", "-y", "--trace", trace.string()}, {{"RFPROG_SIM_TIMER", "never"}});
    EXPECT_EQ(silent.status, 1);
    EXPECT_EQ(silent.out, "timer: the board's timer did not answer\n");
    EXPECT_EQ(lastLine(traceFile()), "W 37A 00");
    EXPECT_EQ(lineCount(traceFile(), "R 379 "), std::size_t(RomDevice::PulseTimerReads));

    // With --hold too: the voltage goes off straight after the last read, not at the end.
    const std::string unheld = traceFile();
    const CliResult held =
        run({"timer", "-y", "--hold", "--trace", trace.string()}, {{"RFPROG_SIM_TIMER", "never"}});
    EXPECT_EQ(held.status, 1);
    EXPECT_EQ(held.out, silent.out);
    EXPECT_EQ(traceFile(), unheld);
}

TEST_F(OperationsTest, TimerHoldKeepsTheVoltageOnUntilEnter) {
    CliProcess process({"--port", "sim", "timer", "--hold", "--yes", "--trace", trace.string()}, {},
                       folder);
    ASSERT_TRUE(
        eventually([&] { return process.errorSoFar().find("Press Enter") != std::string::npos; }));
    EXPECT_EQ(lastLine(traceFile()), "W 37A 04"); // voltage on while the operator measures
    process.input("\n");
    const CliResult result = process.wait();
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out, "timer: the board's timer answered\n");
    CoreRun core;
    core.device.testPulseTimer();
    core.device.holdProgrammingVoltage();
    core.device.switchOff();
    EXPECT_EQ(traceFile(), core.programTrace()); // the dialog's calibration, and idle
}

} // namespace
} // namespace rfprog::test
