// The board's self-test through the emulator on the simulated board: the result and the
// faults it names, the exact port traffic (emulator loads and block reads, never a pulse),
// and the questions, as for an emulator write.
#include "tests/cli/cli_test_support.h"

#include <csignal>

namespace rfprog::test {
namespace {

using SelfTestTest = CliTest;

const std::string Questions = "Switch the emulator to WRITE, then press Enter (n stops).\n"
                              "(answered by --yes)\n"
                              "Switch the emulator to READ, then press Enter (n stops).\n"
                              "(answered by --yes)\n";

// The bytes the program loaded, in the order of its data writes.
std::vector<std::uint8_t> loadedBytes(const PortTrace& trace) {
    std::vector<std::uint8_t> bytes;
    for (const PortAccess& access : trace.accesses()) {
        if (access.direction == 'W' && access.port == DataRegister) {
            bytes.push_back(access.value);
        }
    }
    return bytes;
}

std::vector<std::uint8_t> inverted(std::vector<std::uint8_t> bytes) {
    for (std::uint8_t& byte : bytes) {
        byte = static_cast<std::uint8_t>(~byte);
    }
    return bytes;
}

class SelfTestOnBoard : public SelfTestTest {
  protected:
    CliResult selftest(const std::string& faults = {}, bool plugged = true) {
        Environment environment = {{"RFPROG_SIM_FAULTS", faults}};
        if (plugged) {
            environment["RFPROG_SIM_EMULATOR"] = emulator.string();
        }
        return run({"selftest", "--yes", "--trace", trace.string()}, environment);
    }

    const fs::path emulator = folder / "emulator.bin";
};

TEST_F(SelfTestOnBoard, AHealthyBoardPassesWithTwoRoundsOfLoadAndReadAndNoPulse) {
    const auto rom0 = pattern(RomSize, 3);
    writeFile(rom, rom0);
    const CliResult result = selftest();
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.out, "board self-test passed\n");
    EXPECT_EQ(result.err, Questions + Questions);

    // Round one's pattern, then its complement, each loaded over the whole ROM's addresses
    // and read back, between the idle writes at open and close.
    const PortTrace traffic = tracedTraffic();
    const auto loaded = loadedBytes(traffic);
    ASSERT_EQ(loaded.size(), 2 * RomSize);
    const std::vector<std::uint8_t> first(loaded.begin(), loaded.begin() + RomSize);
    EXPECT_EQ(std::vector<std::uint8_t>(loaded.begin() + RomSize, loaded.end()), inverted(first));
    Traffic expected;
    expected.control(0x00)
        .loadEmulatorBlock(0, first)
        .readRomBlock(0, first)
        .loadEmulatorBlock(0, inverted(first))
        .readRomBlock(0, inverted(first))
        .control(0x00);
    EXPECT_TRUE(sameTraffic(traffic.accesses(), expected.accesses()));
    for (const std::uint8_t voltage : {0x04, 0x0C, 0x0D}) {
        EXPECT_EQ(traffic.count(ctl(voltage)), 0u) << int(voltage);
    }
    EXPECT_EQ(readFile(emulator), inverted(first));
    EXPECT_EQ(readFile(rom), rom0); // the chip in the socket is left alone
}

TEST_F(SelfTestOnBoard, EachLineFaultIsNamed) {
    const struct {
        std::string faults;
        std::string named;
    } cases[] = {
        {"stuck0=08", "data line 3 stuck at 0"},
        {"stuck1=01", "data line 0 stuck at 1"},
        {"short=5-4", "data lines 4 and 5 shorted"},
        {"addr-stuck0=0", "address line A0 stuck, open or shorted: addresses that differ only "
                          "in A0 read the same"},
        {"addr-stuck1=10", "address line A10 stuck, open or shorted: addresses that differ "
                           "only in A10 read the same"},
    };
    for (const auto& fault : cases) {
        SCOPED_TRACE(fault.faults);
        const CliResult result = selftest(fault.faults);
        EXPECT_EQ(result.status, 1);
        EXPECT_EQ(result.out, "board self-test failed\n"
                              "differing bytes: 2048 of 4096\n" +
                                  fault.named + "\n");
        EXPECT_EQ(result.err, Questions + Questions);
        EXPECT_EQ(lastLine(traceFile()), "W 37A 00");
    }

    // Several at once, in Russian.
    const CliResult russian =
        run({"selftest", "-y"}, {{"RFPROG_SIM_FAULTS", "stuck1=80,short=1-2,addr-stuck1=6"},
                                 {"RFPROG_SIM_EMULATOR", emulator.string()},
                                 {"LANG", "ru_RU.UTF-8"}});
    EXPECT_EQ(russian.status, 1);
    EXPECT_EQ(russian.out, "самопроверка платы не пройдена\n"
                           "различающихся байтов: 3584 из 4096\n"
                           "линия данных 7 залипла в 1\n"
                           "линии данных 1 и 2 замкнуты между собой\n"
                           "адресная линия A6 залипла, оборвана или замкнута: адреса, "
                           "различающиеся только в A6, читаются одинаково\n");
}

TEST_F(SelfTestOnBoard, AnEmulatorThatShowsNothingLoadedIsNamedAfterOneRound) {
    // No emulator and an erased chip; no board at all: every byte reads FFh.
    for (const auto& [faults, plugged] : {std::pair{"", false}, {"absent", true}}) {
        SCOPED_TRACE(faults);
        const CliResult result = selftest(faults, plugged);
        EXPECT_EQ(result.status, 1);
        EXPECT_EQ(result.out, "the emulator did not answer (nothing loaded reads back)\n");
        EXPECT_EQ(result.err, Questions); // no second round
        const PortTrace traffic = tracedTraffic();
        const auto loaded = loadedBytes(traffic);
        ASSERT_EQ(loaded.size(), RomSize);
        Traffic expected;
        expected.control(0x00)
            .loadEmulatorBlock(0, loaded)
            .readRomBlock(0, std::vector<std::uint8_t>(RomSize, ErasedByte))
            .control(0x00);
        EXPECT_TRUE(sameTraffic(traffic.accesses(), expected.accesses()));
    }

    // No emulator but a programmed chip: the second round reads what the first did.
    const auto rom0 = pattern(RomSize, 8);
    writeFile(rom, rom0);
    const CliResult chip = selftest("", false);
    EXPECT_EQ(chip.status, 1);
    EXPECT_EQ(chip.out, "the emulator did not answer (nothing loaded reads back)\n");
    EXPECT_EQ(chip.err, Questions + Questions);
    EXPECT_EQ(readFile(rom), rom0);
}

TEST_F(SelfTestTest, AnInterruptionAtAQuestionEndsIdleWithStatus130) {
    const fs::path emulator = folder / "emulator.bin";
    const Environment plugged = {{"RFPROG_SIM_EMULATOR", emulator.string()}};
    const std::vector<std::string> arguments = {"--port", "sim:" + rom.string(), "selftest",
                                                "--trace", trace.string()};
    // At the first question nothing has been loaded yet.
    {
        CliProcess process(arguments, plugged, folder, Streams::Terminal);
        ASSERT_TRUE(
            eventually([&] { return process.errorSoFar().find("to WRITE") != std::string::npos; }));
        EXPECT_EQ(traceFile(), "W 37A 00\n");
        process.signal(SIGINT);
        const CliResult result = process.wait();
        EXPECT_EQ(result.status, 130);
        EXPECT_EQ(result.out, "");
        EXPECT_NE(result.err.find("rfprog-cli: interrupted; the programming voltage is off"),
                  std::string::npos);
        EXPECT_EQ(traceFile(), "W 37A 00\nW 37A 00\n");
    }
    // At the question after the first load: the load, then idle, and no read.
    {
        CliProcess process(arguments, plugged, folder, Streams::Terminal);
        ASSERT_TRUE(
            eventually([&] { return process.errorSoFar().find("to WRITE") != std::string::npos; }));
        process.input("\n");
        ASSERT_TRUE(
            eventually([&] { return process.errorSoFar().find("to READ") != std::string::npos; }));
        process.signal(SIGTERM);
        const CliResult result = process.wait();
        EXPECT_EQ(result.status, 130);
        EXPECT_EQ(result.out, "");
        const PortTrace traffic = tracedTraffic();
        const auto loaded = loadedBytes(traffic);
        ASSERT_EQ(loaded.size(), RomSize);
        Traffic expected;
        expected.control(0x00).loadEmulatorBlock(0, loaded).control(0x00);
        EXPECT_TRUE(sameTraffic(traffic.accesses(), expected.accesses()));
        EXPECT_EQ(readFile(emulator), loaded);
    }
}

} // namespace
} // namespace rfprog::test
