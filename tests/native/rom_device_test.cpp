// Exact port traffic of the RomDevice operations on the simulated board.
#include "device/rom_device.h"
#include "sim/simulated_board.h"
#include "tests/native/recording_port.h"

#include <gtest/gtest.h>

#include <chrono>
#include <vector>

namespace rfprog::test {
namespace {

// A clock the tests move by hand: every look at it advances it by Step ms.
std::uint32_t FakeNow = 0;
std::uint32_t FakeStep = 1;
std::uint32_t fakeClock() {
    return FakeNow += FakeStep;
}

class RomDeviceTest : public ::testing::Test {
  protected:
    void SetUp() override {
        FakeNow = 0xFFFFFF00u; // close to wrapping: only differences may count
        FakeStep = 1;
    }
    sim::SimulatedBoard board;
    RecordingPort port{board};
    RomDevice device{port, fakeClock};
};

TEST_F(RomDeviceTest, PrimitivesWriteExactlyTheirSequences) {
    device.resetAddress();
    EXPECT_EQ(port.log, (std::vector{ctl(0x02), ctl(0x03), ctl(0x02), ctl(0x00)}));

    port.log.clear();
    device.advanceAddress(0);
    EXPECT_TRUE(port.log.empty());

    device.advanceAddress(2);
    EXPECT_EQ(port.log,
              (std::vector{ctl(0x00), ctl(0x01), ctl(0x00), ctl(0x00), ctl(0x01), ctl(0x00)}));
    EXPECT_EQ(board.address(), 2u);

    port.log.clear();
    board.rom[2] = 0x5A;
    EXPECT_EQ(device.readRomByte(), 0x5A);
    EXPECT_EQ(port.log, (std::vector{ctl(0xAA), dataIn(0x5A), ctl(0x00)}));
    EXPECT_EQ(board.address(), 2u); // reading does not move the counter
}

TEST_F(RomDeviceTest, ReadBlockFollowsTheWorkedExample) {
    board.rom[2] = 0x42;
    std::uint8_t buffer[1] = {0};
    device.readRomBlock(buffer, 2);
    // Stepped after the last byte too.
    const Traffic expected =
        Traffic().resetAddress().advanceAddress(2).readRomByte(0x42).advanceAddress(1);
    EXPECT_EQ(port.log, expected.accesses());
    EXPECT_EQ(buffer[0], 0x42);
}

TEST_F(RomDeviceTest, ReadBlockReachesTheLastByteAndCopiesWholeRom) {
    board.rom[0x7FF] = 0x17;
    std::uint8_t last[1] = {0};
    device.readRomBlock(last, 0x7FF);
    EXPECT_EQ(last[0], 0x17);
    EXPECT_EQ(port.count('W', ControlRegister), 4 + 3 * 0x7FFu + 2 + 3);
    EXPECT_EQ(port.count('R', DataRegister), 1u);

    for (std::uint32_t i = 0; i < RomSize; ++i) {
        board.rom[i] = static_cast<std::uint8_t>(i * 13 + 1);
    }
    std::vector<std::uint8_t> whole(RomSize);
    device.readRomBlock(whole, 0);
    EXPECT_TRUE(std::equal(whole.begin(), whole.end(), board.rom.begin()));
    EXPECT_EQ(board.control(), ControlValue::Idle);
}

TEST_F(RomDeviceTest, VerifyStopsAtTheFirstDifferenceWithoutStepping) {
    const std::vector<std::uint8_t> ones(4, 0x01);
    EXPECT_EQ(device.verifyRomBlock(ones, 0), -1);
    EXPECT_EQ(port.count('R', DataRegister), 1u);
    EXPECT_EQ(port.log, Traffic().resetAddress().readRomByte(0xFF).accesses());

    port.log.clear();
    board.rom[0x12] = 0x00;
    std::vector<std::uint8_t> block(4, 0xFF);
    EXPECT_EQ(device.verifyRomBlock(block, 0x10), -1); // third byte differs
    EXPECT_EQ(port.count('R', DataRegister), 3u);
    // Two equal bytes, then a read.
    EXPECT_EQ(port.count('W', ControlRegister), 4 + 3 * 0x10u + 5 * 2 + 2);

    port.log.clear();
    block[2] = 0x00;
    EXPECT_EQ(device.verifyRomBlock(block, 0x10), 0);
    EXPECT_EQ(port.count('R', DataRegister), 4u);
    EXPECT_EQ(port.lastControl(), 0x00);
}

TEST_F(RomDeviceTest, BlankCheckOfErasedRomReadsEveryAddress) {
    EXPECT_EQ(device.blankCheck(), 0);
    EXPECT_EQ(port.count('R', DataRegister), RomSize);
    ASSERT_EQ(port.log.size(), 4 + RomSize * 6);
    // Per address: 0xAA, one data read, 0x00, then the step 0x00, 0x01, 0x00.
    const std::vector<PortAccess> perAddress{ctl(0xAA), dataIn(0xFF), ctl(0x00),
                                             ctl(0x00), ctl(0x01),    ctl(0x00)};
    for (std::size_t address = 0; address < RomSize; ++address) {
        ASSERT_TRUE(
            std::equal(perAddress.begin(), perAddress.end(), port.log.begin() + 4 + address * 6))
            << "address " << address;
    }
    EXPECT_EQ(board.control(), ControlValue::Idle);
}

TEST_F(RomDeviceTest, BlankCheckReportsTheFirstNonErasedBytePlusOne) {
    board.rom[5] = 0x7F;
    board.rom[9] = 0x00;
    EXPECT_EQ(device.blankCheck(), 0x80);
    EXPECT_EQ(port.count('R', DataRegister), 6u);
    EXPECT_EQ(port.lastControl(), 0x00);

    board.rom[0] = 0xFE;
    EXPECT_EQ(device.blankCheck(), 0xFF);
    board.rom[0] = 0x00;
    EXPECT_EQ(device.blankCheck(), 1); // never 0 for a programmed byte
}

TEST_F(RomDeviceTest, ProgramOneByteFollowsTheWorkedExample) {
    board.timerAnswersOnRead = 3;
    const std::uint8_t byte[1] = {0x3C};
    device.programRomBlock(byte, 0);
    const Traffic expected = Traffic()
                                 .resetAddress()
                                 .control(0x08)
                                 .control(0x0C)
                                 .data(0x3C)
                                 .control(0x04)
                                 .readStatus(0x47)
                                 .readStatus(0x47)
                                 .readStatus(0xC7)
                                 .control(0x0D)
                                 .control(0x0C)
                                 .control(0x00);
    EXPECT_EQ(port.log, expected.accesses());
    EXPECT_EQ(board.rom[0], 0x3C);
    EXPECT_EQ(board.pulses(), 1u);
}

TEST_F(RomDeviceTest, ProgramBlockGivesOnePulsePerByteAtItsAddress) {
    std::vector<std::uint8_t> block(0x20);
    for (std::size_t i = 0; i < block.size(); ++i) {
        block[i] = static_cast<std::uint8_t>(0xA0 + i);
    }
    device.programRomBlock(block, 0x7E0);
    EXPECT_EQ(board.pulses(), 0x20u);
    EXPECT_TRUE(std::equal(block.begin(), block.end(), board.rom.begin() + 0x7E0));
    EXPECT_EQ(board.rom[0x7DF], 0xFF);
    EXPECT_EQ(port.count('W', DataRegister), 0x20u);
    EXPECT_EQ(port.lastControl(), 0x00);
    EXPECT_EQ(board.undefinedControlWrites(), 0u);
}

TEST_F(RomDeviceTest, ProgramAbandonsAPulseWhoseTimerNeverAnswers) {
    board.timerAnswersOnRead = sim::SimulatedBoard::TimerNeverAnswers;
    const std::vector<std::uint8_t> block{0x11, 0x22, 0x33};
    device.programRomBlock(block, 0);
    // Voltage off straight after the last status read; no further byte, no step.
    ASSERT_GE(port.log.size(), 2u);
    EXPECT_EQ(port.log.back(), ctl(0x00));
    EXPECT_EQ(port.log[port.log.size() - 2].direction, 'R');
    EXPECT_EQ(port.log[port.log.size() - 2].port, StatusRegister);
    EXPECT_EQ(port.count('W', DataRegister), 1u);
    EXPECT_EQ(board.pulses(), 1u);
    // The clock is consulted once per 256 reads: 1000 ms at 1 ms a look.
    EXPECT_EQ(port.count('R', StatusRegister), 1000u * RomDevice::StatusReadsPerClockCheck);
    EXPECT_FALSE(board.voltageOn());
}

TEST_F(RomDeviceTest, ProgramWaitsForALateTimerThatAnswersInTime) {
    // Answers after 999 looks at the clock: just within the second.
    board.timerAnswersOnRead = 999 * RomDevice::StatusReadsPerClockCheck;
    const std::vector<std::uint8_t> block{0x12, 0x34};
    device.programRomBlock(block, 0);
    EXPECT_EQ(board.pulses(), 2u);
    EXPECT_EQ(board.rom[0], 0x12);
    EXPECT_EQ(board.rom[1], 0x34);
    EXPECT_EQ(port.lastControl(), 0x00);
}

TEST(RomDeviceRealClock, DeadTimerEndsTheWriteAfterAboutOneSecond) {
    sim::SimulatedBoard board;
    board.timerAnswersOnRead = sim::SimulatedBoard::TimerNeverAnswers;
    RomDevice device(board);
    const std::vector<std::uint8_t> block(0x800, 0x00);
    const auto start = std::chrono::steady_clock::now();
    device.programRomBlock(block, 0);
    const auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_GE(elapsed, std::chrono::milliseconds(990));
    EXPECT_LT(elapsed, std::chrono::milliseconds(3000));
    EXPECT_EQ(board.pulses(), 1u);
    EXPECT_EQ(board.control(), ControlValue::Idle);
}

TEST_F(RomDeviceTest, LoadEmulatorOneByteFollowsTheWorkedExample) {
    board.emulatorPlugged = true;
    const std::uint8_t byte[1] = {0x5E};
    device.loadEmulatorBlock(byte, 0);
    EXPECT_EQ(port.log, Traffic().loadEmulatorBlock(0, byte).accesses());
    EXPECT_EQ(board.emulator[0], 0x5E);
    EXPECT_EQ(board.rom[0], 0xFF); // the ROM is not programmed
    EXPECT_EQ(port.count('R', StatusRegister), 0u);
}

TEST_F(RomDeviceTest, LoadEmulatorBlockLandsAtTheRomOffset) {
    board.emulatorPlugged = true;
    std::vector<std::uint8_t> block(0x100);
    for (std::size_t i = 0; i < block.size(); ++i) {
        block[i] = static_cast<std::uint8_t>(i);
    }
    device.loadEmulatorBlock(block, 0x300);
    EXPECT_TRUE(std::equal(block.begin(), block.end(), board.emulator.begin() + 0x300));
    EXPECT_EQ(board.emulator[0x2FF], 0xFF);
    EXPECT_EQ(board.emulator[0x400], 0xFF);
    EXPECT_EQ(device.verifyRomBlock(block, 0x300), 0); // reads come from the emulator
}

TEST_F(RomDeviceTest, PulseTimerTestCountsTheReadsStillAllowed) {
    board.timerAnswersOnRead = 3;
    EXPECT_EQ(device.testPulseTimer(), 19998);
    EXPECT_EQ(port.log, (std::vector{ctl(0x08), ctl(0x0C), ctl(0x04), statusIn(0x47),
                                     statusIn(0x47), statusIn(0xC7)}));
    EXPECT_TRUE(board.voltageOn()); // left on for the caller

    port.log.clear();
    board.timerAnswersOnRead = 1;
    EXPECT_EQ(device.testPulseTimer(), 20000);
    EXPECT_EQ(port.count('R', StatusRegister), 1u);

    port.log.clear();
    board.timerAnswersOnRead = 20000;
    EXPECT_EQ(device.testPulseTimer(), 1);

    port.log.clear();
    board.timerAnswersOnRead = sim::SimulatedBoard::TimerNeverAnswers;
    EXPECT_EQ(device.testPulseTimer(), 0);
    EXPECT_EQ(port.count('R', StatusRegister), 20000u);
    EXPECT_EQ(port.lastControl(), 0x04);
}

} // namespace
} // namespace rfprog::test
