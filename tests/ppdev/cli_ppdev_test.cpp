// The real rfprog-cli on a simulated /dev/parportN: libppdev_sim.so preloaded into the
// process. Each command runs twice, on --port sim and on the port device, and both runs
// must agree in exit status, output, files and the traffic the board sees; the driver's
// failures end with their sentence and exit status 3.
#include "cli/texts.h"
#include "sim/sim_settings.h"
#include "tests/cli/cli_test_support.h"
#include "tests/ppdev/ppdev_sim.h"

#include <algorithm>
#include <fstream>
#include <map>

namespace rfprog::test {
namespace {

// A path that names no real port: should the preload fail, nothing real is opened.
const std::string DevicePath = "/dev/rfprog-simulated-parport";
// What the board sees of the claim and of PpdevPort's own idle writes around a run.
const std::string ClaimAndIdle = "W 37A 0C\nW 37A 00\n";
const std::string Idle = "W 37A 00\n";

class CliPpdevTest : public CliTest {
  protected:
    // Both runs get their own copy of the ROM, of FILE (when the arguments name "FILE")
    // and of the emulator memory.
    struct Run {
        CliResult result;
        std::vector<std::uint8_t> rom, file, emulator;
    };

    Run runOn(bool device, const std::vector<std::string>& arguments,
              const std::vector<std::uint8_t>& romImage, const std::vector<std::uint8_t>& fileImage,
              Environment environment) {
        const std::string side = device ? "device-" : "sim-";
        const fs::path romFile = folder / (side + "rom.bin");
        const fs::path file = folder / (side + "file.bin");
        const fs::path emulator = folder / (side + "emulator.bin");
        writeFile(romFile, romImage);
        writeFile(file, fileImage);
        fs::remove(boardTrace);
        fs::remove(stats);
        if (environment.count(sim::EmulatorVariable) != 0) {
            environment[sim::EmulatorVariable] = emulator.string();
        }
        std::vector<std::string> command;
        if (device) {
            command = {"--port", DevicePath};
            environment["LD_PRELOAD"] = RFPROG_PPDEV_SIM_LIBRARY;
            // Under the sanitizers the simulated driver comes before their runtime.
            environment["ASAN_OPTIONS"] = "halt_on_error=1:detect_leaks=1:verify_asan_link_order=0";
            environment[PpdevPathVariable] = DevicePath;
            environment[sim::RomVariable] = romFile.string();
            environment[sim::TraceVariable] = boardTrace.string();
            environment[PpdevStatsVariable] = stats.string();
        } else {
            command = {"--port", "sim:" + romFile.string(), "--trace", trace.string()};
        }
        for (const std::string& argument : arguments) {
            command.push_back(argument == "FILE" ? file.string() : argument);
        }
        Run run{runCli(command, environment, folder), readFile(romFile), readFile(file),
                readFile(emulator)};
        // The program's output names its files; make the two runs' texts comparable.
        for (std::string* text : {&run.result.out, &run.result.err}) {
            for (std::size_t at; (at = text->find(side)) != std::string::npos;) {
                text->erase(at, side.size());
            }
        }
        return run;
    }

    // The counters the simulated driver wrote at close; empty when the program never
    // opened the device.
    std::map<std::string, unsigned long> driverStats() const {
        std::map<std::string, unsigned long> values;
        std::ifstream in(stats);
        std::string name;
        for (unsigned long value = 0; in >> name >> value;) {
            values[name] = value;
        }
        return values;
    }

    // Runs on both ports: everything the operator sees, and what the board saw, is the
    // same, framed by the claim's 0x0C and the idle writes.
    void expectSameAsSim(const std::vector<std::string>& arguments,
                         const std::vector<std::uint8_t>& romImage,
                         const std::vector<std::uint8_t>& fileImage = {},
                         const Environment& environment = {}) {
        const Run sim = runOn(false, arguments, romImage, fileImage, environment);
        const Run device = runOn(true, arguments, romImage, fileImage, environment);
        ASSERT_GT(driverStats()["attempts"], 0u)
            << "rfprog-cli did not open the port device: " << device.result.err;
        EXPECT_EQ(device.result.status, sim.result.status) << device.result.err;
        EXPECT_EQ(device.result.out, sim.result.out);
        EXPECT_EQ(device.result.err, sim.result.err);
        EXPECT_EQ(device.rom, sim.rom);
        EXPECT_EQ(device.file, sim.file);
        EXPECT_EQ(device.emulator, sim.emulator);
        const auto bytes = readFile(boardTrace);
        EXPECT_EQ(std::string(bytes.begin(), bytes.end()), ClaimAndIdle + traceFile() + Idle);
        auto counts = driverStats();
        EXPECT_EQ(counts["contentions"], 0u);
        EXPECT_EQ(counts["writes_while_lines_in"], 0u);
        EXPECT_EQ(counts["opens"], 1u);
        EXPECT_EQ(counts["closes"], 1u);
    }

    // The program refuses the port with the sentence for error and exit status 3.
    void expectRefusal(const std::string& faults, PortOpenError error) {
        const CliResult result =
            runOn(true, {"blank"}, erased(), {}, {{PpdevFaultsVariable, faults}}).result;
        ASSERT_GT(driverStats()["attempts"], 0u) << "rfprog-cli did not open the port device";
        EXPECT_EQ(result.status, 3) << faults;
        const std::string sentence(cli::text(cli::portErrorText(error), cli::Language::English));
        EXPECT_EQ(result.err, "rfprog-cli: port " + DevicePath + ": " + sentence + "\n") << faults;
        EXPECT_EQ(result.out, "");
        const auto bytes = readFile(boardTrace);
        EXPECT_TRUE(bytes.empty()) << faults; // the board never saw the claim's 0x0C
    }

    void SetUp() override {
        CliTest::SetUp();
        boardTrace = folder / "board.txt";
        stats = folder / "driver-stats.txt";
    }

    fs::path boardTrace;
    fs::path stats;
};

TEST_F(CliPpdevTest, ReadAndVerifyGoLikeOnTheSimulatedBoard) {
    const auto image = pattern(RomSize, 3);
    expectSameAsSim({"read", "FILE", "-q"}, image);
    expectSameAsSim({"read", "FILE", "--rom-offset", "0x100", "--length", "0x40", "--file-offset",
                     "0x10", "-q"},
                    image, std::vector<std::uint8_t>(0x200, 0x11));
    expectSameAsSim({"verify", "FILE", "-q"}, image, image);
    auto differing = image;
    differing[0x123] ^= 0x08;
    expectSameAsSim({"verify", "FILE", "-q"}, image, differing); // exit 1, the report
}

TEST_F(CliPpdevTest, WriteAndEmulatorWriteGoLikeOnTheSimulatedBoard) {
    expectSameAsSim({"write", "FILE", "-q"}, erased(), pattern(RomSize, 4));
    expectSameAsSim({"write", "FILE", "-q"}, pattern(RomSize, 5), pattern(RomSize, 4)); // refused
    expectSameAsSim({"write", "FILE", "--emulator", "--yes", "-q", "--rom-offset", "0x700",
                     "--length", "0x100"},
                    erased(), pattern(0x100, 6), {{sim::EmulatorVariable, "set per run"}});
}

TEST_F(CliPpdevTest, BlankAndTimerGoLikeOnTheSimulatedBoard) {
    expectSameAsSim({"blank", "-q"}, erased());
    auto notBlank = erased();
    notBlank[0x7FE] = 0x7F;
    expectSameAsSim({"blank", "-q"}, notBlank);
    expectSameAsSim({"timer", "--yes", "-q"}, erased(), {}, {{sim::TimerVariable, "3"}});
    expectSameAsSim({"timer", "--yes", "-q"}, erased(), {}, {{sim::TimerVariable, "never"}});
}

// After the kernel's claim (0x0C) the board sees control 0x00 only: PpdevPort's at open,
// the session's, idle's own, the session's and PpdevPort's at close.
TEST_F(CliPpdevTest, IdleWritesControl00OnlyAfterTheClaim) {
    expectSameAsSim({"idle"}, erased());
    EXPECT_EQ(traceFile(), "W 37A 00\nW 37A 00\nW 37A 00\n");
    const auto bytes = readFile(boardTrace);
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()),
              "W 37A 0C\nW 37A 00\nW 37A 00\nW 37A 00\nW 37A 00\nW 37A 00\n");

    const CliResult refused =
        runOn(true, {"idle"}, erased(), {}, {{PpdevFaultsVariable, "open=EACCES"}}).result;
    EXPECT_EQ(refused.status, 3);
    EXPECT_EQ(refused.err,
              "rfprog-cli: port " + DevicePath + ": " +
                  std::string(cli::text(cli::portErrorText(PortOpenError::PermissionDenied),
                                        cli::Language::English)) +
                  "\n");
}

TEST_F(CliPpdevTest, DriverFailuresGiveTheirSentenceAndStatus3) {
    expectRefusal("open=EACCES", PortOpenError::PermissionDenied);
    expectRefusal("open=ENOENT", PortOpenError::DeviceMissing);
    expectRefusal("notristate", PortOpenError::NotBidirectional);
    expectRefusal("claim=EBUSY", PortOpenError::PortBusy);
    expectRefusal("lp", PortOpenError::PortBusy);
}

} // namespace
} // namespace rfprog::test
