// PpdevPort on the simulated /dev/parportN (libppdev_sim.so, linked ahead of the C library):
// the board sees exactly the traffic that the simulated board sees when driven directly,
// the driver gets the requests its kernel behaviour needs, and each refusal has its reason.
#include "device/ppdev_port.h"
#include "device/rom_device.h"
#include "sim/sim_settings.h"
#include "sim/simulated_board.h"
#include "tests/native/recording_port.h"
#include "tests/ppdev/ppdev_sim.h"
#include "tests/support/test_data.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <linux/ppdev.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace rfprog::test {
namespace {

namespace fs = std::filesystem;

// The board's view of the claim and the two idle writes that open and close add.
const std::string ClaimAndIdle = "W 37A 0C\nW 37A 00\n";
const std::string Idle = "W 37A 00\n";

std::size_t countOf(unsigned long code) {
    const auto& requests = ppdevSimStats().requests;
    return static_cast<std::size_t>(std::count_if(
        requests.begin(), requests.end(), [&](const PpdevRequest& r) { return r.code == code; }));
}

class PpdevPortTest : public ::testing::Test {
  protected:
    void SetUp() override {
        devicePath = (folder / "parport0").string();
        for (const char* variable : Variables) {
            unsetenv(variable);
        }
        setenv(PpdevPathVariable, devicePath.c_str(), 1);
        setenv(sim::RomVariable, (folder / "rom.bin").c_str(), 1);
        setenv(sim::TraceVariable, (folder / "board.txt").c_str(), 1);
    }
    void TearDown() override {
        for (const char* variable : Variables) {
            unsetenv(variable);
        }
    }

    std::string boardTrace() const {
        const Bytes bytes = readFile(folder / "board.txt");
        return std::string(bytes.begin(), bytes.end());
    }

    static constexpr const char* Variables[] = {
        PpdevPathVariable,     PpdevFaultsVariable, PpdevStatsVariable,  sim::RomVariable,
        sim::EmulatorVariable, sim::TimerVariable,  sim::FaultsVariable, sim::TraceVariable};

    TempFolder temp{"rfprog-ppdev"};
    const fs::path folder = temp.path();
    std::string devicePath;
};

// One device operation, run once on the board directly and once through the port.
struct Operation {
    const char* name;
    const char* timer; // RFPROG_SIM_TIMER
    bool emulator;
    // Returns the operation's result and the bytes it read, if any.
    std::function<Bytes(RomDevice&)> run;
};

void PrintTo(const Operation& operation, std::ostream* out) {
    *out << operation.name;
}

const Bytes Image = pattern(RomSize, 1);

constexpr bool ToRom = false;
constexpr bool ToEmulator = true;

// Writes a pattern block into the ROM or the emulator; the board's files show what it did.
std::function<Bytes(RomDevice&)> writesBlock(bool toEmulator, std::size_t size, unsigned seed,
                                             std::uint32_t romOffset) {
    return [=](RomDevice& device) {
        const Bytes block = pattern(size, seed);
        if (toEmulator) {
            device.loadEmulatorBlock(block, romOffset);
        } else {
            device.programRomBlock(block, romOffset);
        }
        return Bytes{};
    };
}

const Operation Operations[] = {
    {"ReadWholeRom", "", false,
     [](RomDevice& device) {
         Bytes buffer(RomSize);
         device.readRomBlock(buffer, 0);
         return buffer;
     }},
    {"ReadBlockAtTheEnd", "", false,
     [](RomDevice& device) {
         Bytes buffer(0x20);
         device.readRomBlock(buffer, RomSize - 0x20);
         return buffer;
     }},
    {"VerifyStopsAtTheDifference", "", false,
     [](RomDevice& device) {
         Bytes expected(Image.begin() + 0x100, Image.begin() + 0x140);
         expected[5] ^= 0x10;
         return Bytes{static_cast<std::uint8_t>(device.verifyRomBlock(expected, 0x100))};
     }},
    {"BlankCheck", "", false,
     [](RomDevice& device) { return Bytes{static_cast<std::uint8_t>(device.blankCheck())}; }},
    {"ProgramBlock", "3", false, writesBlock(ToRom, 0x80, 2, 0x40)},
    {"ProgramWithSilentTimer", "never", false, writesBlock(ToRom, 1, 3, 0x7F0)},
    {"LoadEmulator", "", true, writesBlock(ToEmulator, 0x30, 4, 0x10)},
    {"PulseTimer", "5", false,
     [](RomDevice& device) {
         const int left = device.testPulseTimer();
         device.switchOff();
         return Bytes{static_cast<std::uint8_t>(left >> 8), static_cast<std::uint8_t>(left)};
     }},
};

class PpdevOperationTest : public PpdevPortTest, public ::testing::WithParamInterface<Operation> {};

TEST_P(PpdevOperationTest, BoardSeesTheSameTrafficAsDrivenDirectly) {
    const Operation& operation = GetParam();
    Bytes rom = Image;
    rom[0x300] = 0x7F; // a blank check that stops part-way
    writeFile(folder / "rom.bin", rom);
    setenv(sim::TimerVariable, operation.timer, 1);
    if (operation.emulator) {
        setenv(sim::EmulatorVariable, (folder / "emulator.bin").c_str(), 1);
    }

    sim::SimulatedBoard board;
    std::copy(rom.begin(), rom.end(), board.rom.begin());
    board.emulatorPlugged = operation.emulator;
    ASSERT_TRUE(sim::applyTimerSetting(board, operation.timer));
    RecordingPort direct(board);
    RomDevice directDevice(direct, fastClock);
    const Bytes expected = operation.run(directDevice);

    PpdevPort port;
    ASSERT_EQ(port.open(devicePath.c_str()), PortOpenError::None);
    RomDevice device(port, fastClock);
    EXPECT_EQ(operation.run(device), expected);
    port.close();

    EXPECT_EQ(boardTrace(), ClaimAndIdle + traceText(direct.log) + Idle);
    EXPECT_EQ(readFile(folder / "rom.bin"), Bytes(board.rom.begin(), board.rom.end()));
    if (operation.emulator) {
        EXPECT_EQ(readFile(folder / "emulator.bin"),
                  Bytes(board.emulator.begin(), board.emulator.end()));
    }
    const PpdevSimStats& stats = ppdevSimStats();
    EXPECT_EQ(stats.contentions, 0u);
    EXPECT_EQ(stats.writesWhileLinesIn, 0u);
    // One request per access, a direction change on each side of every read strobe, and
    // six for opening and closing: modes, exclusive, claim, idle, idle, release.
    const auto strobes = static_cast<std::size_t>(
        std::count(direct.log.begin(), direct.log.end(), ctl(controlByte(ControlValue::ReadRom))));
    EXPECT_EQ(stats.requests.size(), direct.log.size() + 2 * strobes + 6);
    EXPECT_EQ(countOf(PPDATADIR), 2 * strobes);
}

INSTANTIATE_TEST_SUITE_P(Operations, PpdevOperationTest, ::testing::ValuesIn(Operations),
                         [](const auto& test) { return std::string(test.param.name); });

TEST_F(PpdevPortTest, ClaimIsFollowedByIdleAndReadingTurnsTheLinesAroundTheStrobe) {
    PpdevPort port;
    ASSERT_EQ(port.open(devicePath.c_str()), PortOpenError::None);
    // The claim's 0x0C (programming voltage on) is put right: nothing comes in between.
    EXPECT_EQ(boardTrace(), ClaimAndIdle);
    EXPECT_EQ(ppdevSimStats().requests,
              (std::vector<PpdevRequest>{
                  {PPGETMODES, 0}, {PPEXCL, 0}, {PPCLAIM, 0}, {PPWCONTROL, 0x00}}));

    port.writeControl(ControlValue::ReadRom);
    port.readData();
    port.close();
    // Lines to input before the strobe, back to output only after it; idle before release.
    const auto& requests = ppdevSimStats().requests;
    ASSERT_EQ(requests.size(), 10u);
    EXPECT_EQ(std::vector<PpdevRequest>(requests.begin() + 4, requests.end()),
              (std::vector<PpdevRequest>{{PPDATADIR, 1},
                                         {PPWCONTROL, 0x0A},
                                         {PPRDATA, 0},
                                         {PPWCONTROL, 0x00},
                                         {PPDATADIR, 0},
                                         {PPRELEASE, 0}}));
    EXPECT_EQ(boardTrace(), ClaimAndIdle + "W 37A AA\nR 378 FF\n" + Idle);
    EXPECT_EQ(ppdevSimStats().contentions, 0u);
    EXPECT_FALSE(port.isOpen());
}

TEST_F(PpdevPortTest, EveryWayOutLeavesTheBoardIdleAndThePortClosed) {
    const unsigned closes = ppdevSimStats().closes;
    {
        PpdevPort port;
        ASSERT_EQ(port.open(devicePath.c_str()), PortOpenError::None);
        port.writeControl(ControlValue::VoltageOn); // as an interrupted write leaves it
    }
    EXPECT_EQ(boardTrace(), ClaimAndIdle + "W 37A 0C\n" + Idle);
    EXPECT_EQ(ppdevSimStats().closes, closes + 1);
    EXPECT_EQ(ppdevSimStats().requests.back(), (PpdevRequest{PPRELEASE, 0}));

    PpdevPort port;
    ASSERT_EQ(port.open(devicePath.c_str()), PortOpenError::None);
    port.close();
    port.close(); // a second close does nothing
    EXPECT_EQ(ppdevSimStats().closes, closes + 2);
    // Opening again while open starts over on a fresh claim.
    ASSERT_EQ(port.open(devicePath.c_str()), PortOpenError::None);
    ASSERT_EQ(port.open(devicePath.c_str()), PortOpenError::None);
    EXPECT_EQ(ppdevSimStats().closes, closes + 3);
}

struct Refusal {
    const char* faults; // RFPROG_PPDEV_SIM_FAULTS
    PortOpenError error;
    std::size_t requests; // how far the port got
};

void PrintTo(const Refusal& refusal, std::ostream* out) {
    *out << refusal.faults;
}

class PpdevRefusalTest : public PpdevPortTest, public ::testing::WithParamInterface<Refusal> {};

TEST_P(PpdevRefusalTest, RefusesWithItsReasonAndTheBoardNeverSeesTheClaim) {
    setenv(PpdevFaultsVariable, GetParam().faults, 1);
    const PpdevSimStats& stats = ppdevSimStats();
    const unsigned opens = stats.opens;
    const unsigned closes = stats.closes;

    PpdevPort port;
    EXPECT_EQ(port.open(devicePath.c_str()), GetParam().error);
    EXPECT_FALSE(port.isOpen());
    EXPECT_EQ(stats.requests.size(), GetParam().requests);
    EXPECT_EQ(stats.opens - opens, stats.closes - closes); // nothing stays open
    EXPECT_EQ(boardTrace(), "");
}

INSTANTIATE_TEST_SUITE_P(
    Faults, PpdevRefusalTest,
    ::testing::Values(Refusal{"open=EACCES", PortOpenError::PermissionDenied, 0},
                      Refusal{"open=EPERM", PortOpenError::PermissionDenied, 0},
                      Refusal{"open=ENOENT", PortOpenError::DeviceMissing, 0},
                      Refusal{"open=ENXIO", PortOpenError::DeviceMissing, 0},
                      Refusal{"open=ENODEV", PortOpenError::DeviceMissing, 0},
                      Refusal{"notristate", PortOpenError::NotBidirectional, 1},
                      Refusal{"excl=EBUSY", PortOpenError::PortBusy, 2},
                      Refusal{"claim=EBUSY", PortOpenError::PortBusy, 3},
                      // What the kernel really answers while lp is loaded: the exclusive
                      // registration fails, and the claim reports ENXIO.
                      Refusal{"lp", PortOpenError::PortBusy, 3},
                      Refusal{"claim=EIO", PortOpenError::Failed, 3}),
    [](const auto& test) {
        std::string name = test.param.faults;
        std::replace(name.begin(), name.end(), '=', '_');
        return name;
    });

TEST_F(PpdevPortTest, RealFilesThatAreNoParallelPortAreRefused) {
    PpdevPort port;
    EXPECT_EQ(port.open((folder / "no-such-parport").c_str()), PortOpenError::DeviceMissing);
    EXPECT_EQ(port.open("/dev/null"), PortOpenError::Failed); // PPGETMODES: ENOTTY
    EXPECT_FALSE(port.isOpen());
}

// The simulated driver is only worth its traces if it punishes what the real one would.
TEST_F(PpdevPortTest, SimulatedDriverCatchesWhatTheKernelWouldNotForgive) {
    const int fd = ::open(devicePath.c_str(), O_RDWR);
    ASSERT_GE(fd, 0);
    unsigned char byte = 0x00;
    EXPECT_EQ(::ioctl(fd, PPWCONTROL, &byte), -1); // not claimed yet
    EXPECT_EQ(errno, EINVAL);
    ASSERT_EQ(::ioctl(fd, PPCLAIM), 0);
    EXPECT_EQ(::ioctl(fd, PPEXCL), -1); // too late after the first claim
    EXPECT_EQ(errno, EINVAL);

    // Bit 5 of PPWCONTROL turns the lines to input and a later 0x00 does not turn them
    // back: the byte of a following data write never reaches the board.
    byte = 0x2A;
    ASSERT_EQ(::ioctl(fd, PPWCONTROL, &byte), 0);
    byte = 0x00;
    ASSERT_EQ(::ioctl(fd, PPWCONTROL, &byte), 0);
    byte = 0x55;
    ASSERT_EQ(::ioctl(fd, PPWDATA, &byte), 0);
    EXPECT_EQ(ppdevSimStats().writesWhileLinesIn, 1u);

    // Lines back to output while the board still drives them.
    int direction = 1;
    ASSERT_EQ(::ioctl(fd, PPDATADIR, &direction), 0);
    byte = 0x0A;
    ASSERT_EQ(::ioctl(fd, PPWCONTROL, &byte), 0);
    ASSERT_EQ(::ioctl(fd, PPRDATA, &byte), 0);
    direction = 0;
    ASSERT_EQ(::ioctl(fd, PPDATADIR, &direction), 0);
    EXPECT_EQ(ppdevSimStats().contentions, 1u);
    EXPECT_EQ(::close(fd), 0);
    EXPECT_EQ(boardTrace(), "W 37A 0C\nW 37A AA\nW 37A A0\nW 37A AA\nR 378 FF\nW 378 55\n");
}

} // namespace
} // namespace rfprog::test
