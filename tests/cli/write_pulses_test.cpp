// Which bytes a write pulses, as the port trace shows it: after the pre-check only those
// the ROM does not hold, with --force every byte but FFh, with --every-byte all; a byte
// passed over gets the counter step 0x0D, 0x0C alone, and a write with nothing to pulse
// switches no voltage on. The checksum lines were computed with Python's zlib.crc32 and
// hashlib.sha1 and the sum of the bytes, when the tests were written.
#include "tests/cli/cli_test_support.h"

#include <algorithm>

namespace rfprog::test {
namespace {

using WritePulsesTest = CliTest;

constexpr std::uint8_t StatusPulseOver = 0xC7; // the simulated board's noise and bit 7

// The programming of block at romOffset where pulse says, as the board must see it.
Traffic& programSelected(Traffic& traffic, std::uint32_t romOffset,
                         std::span<const std::uint8_t> block, const std::vector<bool>& pulse) {
    traffic.resetAddress().advanceAddress(romOffset).control(0x08).control(0x0C);
    for (std::size_t i = 0; i < block.size(); ++i) {
        if (pulse[i]) {
            traffic.data(block[i]).control(0x04).readStatus(StatusPulseOver);
        }
        traffic.control(0x0D).control(0x0C);
    }
    return traffic.control(0x00);
}

TEST_F(WritePulsesTest, AWritePulsesOnlyTheBytesTheRomDoesNotHold) {
    auto rom0 = erased();
    const std::vector<std::uint8_t> held = {0xFF, 0xFF, 0x34, 0xFF, 0xFF, 0x00, 0xFF, 0xFE};
    std::copy(held.begin(), held.end(), rom0.begin() + 0x10);
    writeFile(rom, rom0);
    const std::vector<std::uint8_t> image = {0x12, 0xFF, 0x34, 0x56, 0xFF, 0x00, 0x78, 0x9A};
    const fs::path file = folder / "image.bin";
    writeFile(file, image);

    const CliResult result = run({"write", file.string(), "--rom-offset", "0x10", "--length", "8",
                                  "--trace", trace.string()});
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.out, "write: 8 bytes at ROM 0x010 verified: 4 programmed, 4 already held\n"
                          "crc32 C80B538A  sha1 6cf375fbc5fa3413452465775fe3b19360855033  "
                          "sum16 03AC\n");
    auto expectedRom = rom0;
    std::copy(image.begin(), image.end(), expectedRom.begin() + 0x10);
    EXPECT_EQ(readFile(rom), expectedRom);

    // The pre-check, then pulses at 0x10, 0x13, 0x16 and 0x17 only; the FFh bytes and the
    // bytes held get the counter step alone, with no data and no 0x04.
    Traffic expected;
    expected.control(0x00).readRomBlock(0x10, held);
    programSelected(expected, 0x10, image, {true, false, false, true, false, false, true, true});
    expected.readRomBlock(0x10, image).control(0x00);
    EXPECT_TRUE(sameTraffic(tracedTraffic().accesses(), expected.accesses()));

    const CliResult russian = run({"write", file.string(), "--rom-offset", "0x10", "--length", "8"},
                                  {{"LANG", "ru_RU.UTF-8"}});
    EXPECT_EQ(russian.status, 0);
    EXPECT_EQ(russian.out.substr(0, russian.out.find('\n')),
              "запись: 8 байт с адреса ПЗУ 0x010 проверены: записано 0, уже было 8");
}

TEST_F(WritePulsesTest, TheSameImageWrittenAgainSwitchesNoVoltageOn) {
    const auto image = pattern(RomSize, 7);
    writeFile(rom, image);
    const fs::path file = folder / "image.bin";
    writeFile(file, image);

    const CliResult result = run({"write", file.string(), "--trace", trace.string()});
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.out, "write: 2048 bytes at ROM 0x000 verified: 0 programmed, 2048 already "
                          "held\n"
                          "crc32 7341C357  sha1 feda522d575fb04da5304a67334cdafc3c565f58  "
                          "sum16 FB00\n");
    // The pre-check read and the verification read, nothing between them.
    Traffic expected;
    expected.control(0x00).readRomBlock(0, image).readRomBlock(0, image).control(0x00);
    EXPECT_TRUE(sameTraffic(tracedTraffic().accesses(), expected.accesses()));
    for (const char* voltage : {"W 37A 04", "W 37A 08", "W 37A 0C", "W 37A 0D", "W 378 "}) {
        EXPECT_EQ(lineCount(traceFile(), voltage), 0u) << voltage;
    }
    EXPECT_EQ(readFile(rom), image);
}

TEST_F(WritePulsesTest, AForcedWritePassesOverTheFFhBytesOnly) {
    auto rom0 = erased();
    rom0[0x701] = 0x12; // held, but with no pre-check the write does not know it
    writeFile(rom, rom0);
    const std::vector<std::uint8_t> image = {0xFF, 0x12, 0xFF, 0x34};
    const fs::path file = folder / "image.bin";
    writeFile(file, image);

    const CliResult result = run({"write", file.string(), "--force", "--rom-offset", "0x700",
                                  "--length", "4", "--trace", trace.string()});
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.out.substr(0, result.out.find('\n')),
              "write: 4 bytes at ROM 0x700 verified: 2 programmed, 2 already held");
    Traffic expected;
    expected.control(0x00);
    programSelected(expected, 0x700, image, {false, true, false, true});
    expected.readRomBlock(0x700, image).control(0x00);
    EXPECT_TRUE(sameTraffic(tracedTraffic().accesses(), expected.accesses()));
}

TEST_F(WritePulsesTest, EveryByteIsTheFullWriteOfTheDialogProgram) {
    const auto image = pattern(RomSize, 3);
    auto rom0 = erased();
    std::copy_n(image.begin(), RomSize / 2, rom0.begin()); // half of it held already
    const fs::path file = folder / "image.bin";
    writeFile(file, image);
    const std::string checksums =
        "crc32 C26D43B6  sha1 24aaa4d99e8f51fa75c2bfe07a967da9d9028da8  sum16 FB00\n";

    writeFile(rom, rom0);
    const CliResult checked =
        run({"write", file.string(), "--every-byte", "--trace", trace.string()});
    EXPECT_EQ(checked.status, 0) << checked.err;
    EXPECT_EQ(checked.out, "write: 2048 bytes at ROM 0x000 verified: 2048 programmed, 0 already "
                           "held\n" +
                               checksums);
    CoreRun core;
    std::copy(rom0.begin(), rom0.end(), core.board.rom.begin());
    std::vector<std::uint8_t> block(RomSize);
    core.device.readRomBlock(block, 0);
    core.device.programRomBlock(image, 0);
    EXPECT_EQ(core.device.verifyRomBlock(image, 0), 0);
    EXPECT_EQ(traceFile(), core.programTrace());

    // With --force too: no pre-check, and still every byte, FFh included.
    writeFile(rom, rom0);
    const CliResult forced =
        run({"write", file.string(), "--every-byte", "--force", "--trace", trace.string()});
    EXPECT_EQ(forced.status, 0) << forced.err;
    EXPECT_EQ(forced.out, checked.out);
    CoreRun forcedCore;
    std::copy(rom0.begin(), rom0.end(), forcedCore.board.rom.begin());
    forcedCore.device.programRomBlock(image, 0);
    EXPECT_EQ(forcedCore.device.verifyRomBlock(image, 0), 0);
    EXPECT_EQ(traceFile(), forcedCore.programTrace());
    EXPECT_EQ(readFile(rom), image);
}

TEST_F(WritePulsesTest, EveryByteAppliesToTheRomWriteOnly) {
    const fs::path file = folder / "image.bin";
    writeFile(file, pattern(16, 1));
    const CliResult emulator =
        run({"write", file.string(), "--emulator", "--every-byte", "--yes", "--length", "16"});
    EXPECT_EQ(emulator.status, 2);
    EXPECT_EQ(emulator.err, "rfprog-cli: option --every-byte does not apply to write --emulator\n"
                            "Try rfprog-cli --help.\n");
    const CliResult verify = run({"verify", file.string(), "--every-byte"});
    EXPECT_EQ(verify.status, 2);
    EXPECT_EQ(verify.err, "rfprog-cli: option --every-byte does not apply to verify\n"
                          "Try rfprog-cli --help.\n");
    EXPECT_FALSE(fs::exists(rom)); // the board was never opened
}

// The checksum line follows only a result that the ROM's bytes back: a read, a verified
// write, a matching verify; "123456789" gives the published CRC-32 CBF43926.
TEST_F(WritePulsesTest, TheChecksumLineFollowsAReadAWriteAndAVerifyThatMatched) {
    const std::string vector = "123456789";
    auto rom0 = erased();
    std::copy(vector.begin(), vector.end(), rom0.begin() + 0x20);
    writeFile(rom, rom0);
    const std::string line =
        "crc32 CBF43926  sha1 f7c3bc1d808e04732adf679965ccc34ca7ae3441  sum16 01DD\n";
    const fs::path copy = folder / "copy.bin";

    const CliResult read = run({"read", copy.string(), "--rom-offset", "0x20", "--length", "9"});
    EXPECT_EQ(read.status, 0) << read.err;
    EXPECT_EQ(lastLine(read.out) + "\n", line);
    EXPECT_EQ(lineCount(read.out, ""), 2u);

    const CliResult verify =
        run({"verify", copy.string(), "--rom-offset", "0x20", "--length", "9"});
    EXPECT_EQ(verify.out, "verify: 9 bytes at ROM 0x020 match the file\n" + line);

    const CliResult written =
        run({"write", copy.string(), "--rom-offset", "0x20", "--length", "9"});
    EXPECT_EQ(written.out,
              "write: 9 bytes at ROM 0x020 verified: 0 programmed, 9 already held\n" + line);

    // No checksums after a mismatch or a refusal.
    writeFile(folder / "other.bin", std::vector<std::uint8_t>{'2'}); // bit 1 over a 0: '1'

    const CliResult differs =
        run({"verify", (folder / "other.bin").string(), "--rom-offset", "0x20", "--length", "1"});
    EXPECT_EQ(differs.status, 1);
    EXPECT_EQ(lineCount(differs.out, "crc32"), 0u);
    const CliResult refused =
        run({"write", (folder / "other.bin").string(), "--rom-offset", "0x20", "--length", "1"});
    EXPECT_EQ(refused.status, 1);
    EXPECT_EQ(lineCount(refused.out, "crc32"), 0u);
}

// A timer that never ends the pulse: one pulse, the voltage off at once, nothing read back
// and no line named, with any rule of which bytes to pulse.
TEST_F(WritePulsesTest, ASilentTimerStopsTheWriteAtItsFirstPulse) {
    const auto image = pattern(RomSize, 4);
    const fs::path file = folder / "image.bin";
    writeFile(file, image);
    for (const std::string rule : {"", "--every-byte", "--force"}) {
        SCOPED_TRACE(rule);
        std::vector<std::string> arguments = {"write", file.string(), "--trace", trace.string()};
        if (!rule.empty()) {
            arguments.push_back(rule);
        }
        const CliResult result = run(arguments, {{"RFPROG_SIM_TIMER", "never"}});
        EXPECT_EQ(result.status, 1);
        EXPECT_EQ(result.out, "write: stopped at ROM 0x000: the board's pulse timer did not "
                              "answer; 0 bytes pulsed before it; nothing verified (check the "
                              "timer: rfprog-cli timer)\n");
        const std::string traced = traceFile();
        EXPECT_EQ(lineCount(traced, "W 37A 04"), 1u);
        EXPECT_EQ(lastLine(traced), "W 37A 00");
        // After the pulse only the status polls and the switch-off: no block read.
        const std::string afterPulse = traced.substr(traced.find("W 37A 04"));
        EXPECT_EQ(lineCount(afterPulse, "R 378"), 0u);
        EXPECT_EQ(lineCount(afterPulse, "W 37A"), 3u); // the pulse, idle, and the close's idle
    }
}

} // namespace
} // namespace rfprog::test
