// The diagnosis on faults that the simulated board shows as a real one would: a bit that
// reads inverted on every second read of its address, and a stuck counter output.
#include "tests/cli/cli_test_support.h"

namespace rfprog::test {
namespace {

using DiagnosisFaultsTest = CliTest;

const Environment Flaky = {{"RFPROG_SIM_FAULTS", "flaky=005:3"}};

TEST_F(DiagnosisFaultsTest, AFlakyBitFailsTheReadAndWritesNoFile) {
    const auto rom0 = pattern(RomSize, 5);
    writeFile(rom, rom0);
    const fs::path image = folder / "image.bin";
    const CliResult result = run({"read", image.string()}, Flaky);
    EXPECT_EQ(result.status, 1);
    const std::uint8_t value = rom0[5];
    char line[64];
    std::snprintf(line, sizeof line, "0x005: read %02X %02X; bits that changed: 3\n", value,
                  value ^ 0x08);
    EXPECT_EQ(result.out, std::string("read: the passes disagree: some bits read differently "
                                      "from one pass to the next\n") +
                              line +
                              "unstable bytes: 1 of 2048\n"
                              "read: nothing written: the passes disagree, and an even number "
                              "of passes has no majority (an odd --reads of 3 or more writes "
                              "it)\n");
    EXPECT_FALSE(fs::exists(image));

    // A verification that reads twice sees it too, and compares nothing.
    const fs::path file = folder / "file.bin";
    writeFile(file, rom0);
    const CliResult verify = run({"verify", file.string(), "--reads", "2"}, Flaky);
    EXPECT_EQ(verify.status, 1);
    EXPECT_EQ(verify.out.find("verify: the passes disagree"), 0u) << verify.out;
    EXPECT_EQ(lineCount(verify.out, "differing bytes"), 0u);
}

TEST_F(DiagnosisFaultsTest, ThreePassesWriteTheMajorityAndSaySo) {
    const auto rom0 = pattern(RomSize, 5);
    writeFile(rom, rom0);
    const fs::path image = folder / "image.bin";
    const CliResult result = run({"read", image.string(), "--reads", "3"}, Flaky);
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(lineCount(result.out, "0x005: read "), 1u) << result.out;
    EXPECT_EQ(lastLine(result.out), "read: 2048 bytes from ROM 0x000 written into " +
                                        image.string() +
                                        " at offset 0x0, each bit as most of the 3 passes "
                                        "read it");
    EXPECT_EQ(readFile(image), rom0); // the flaky bit reads true in two passes of three
}

TEST_F(DiagnosisFaultsTest, AStuckAddressLineIsNamedAfterAWrite) {
    const auto image = pattern(RomSize, 8);
    const fs::path file = folder / "image.bin";
    writeFile(file, image);
    const Environment stuck = {{"RFPROG_SIM_FAULTS", "addr-stuck0=4"}};
    const std::string named = "address line A4: the ROM reads the same at addresses that "
                              "differ only in A4: stuck or open line?";

    const CliResult written = run({"write", file.string()}, stuck);
    EXPECT_EQ(written.status, 1);
    EXPECT_EQ(written.out.find("write: the ROM does not match the file after programming\n"), 0u)
        << written.out;
    EXPECT_EQ(lastLine(written.out), named);
    // With this pattern the bytes 16 apart always differ in bit 4, so the two programmed
    // over each other leave bit 4 at 0 throughout; that bit does not account for the other
    // differences, so no data line is named.
    EXPECT_EQ(lineCount(written.out, "data bit"), 0u) << written.out;

    // Only A4 is named.
    const CliResult verified = run({"verify", file.string()}, stuck);
    EXPECT_EQ(verified.status, 1);
    EXPECT_EQ(lastLine(verified.out), named);
    EXPECT_EQ(lineCount(verified.out, "address line"), 1u);
}

} // namespace
} // namespace rfprog::test
