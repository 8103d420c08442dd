// Exact port traffic of the RomDevice operations on the simulated board.
#include "device/pulse_plan.h"
#include "device/rom_device.h"
#include "device/whole_block_comparison.h"
#include "sim/simulated_board.h"
#include "tests/native/recording_port.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <functional>
#include <optional>
#include <utility>
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

// Unlike verifyRomBlock, the whole-block comparison reads on past a difference: its
// traffic is readRomBlock's, and every difference is counted.
TEST_F(RomDeviceTest, WholeBlockComparisonReadsEveryByteAndCountsEveryDifference) {
    board.rom[0x20] = 0x0F; // four ones missing
    board.rom[0x22] = 0xF1; // one one too many
    std::vector<std::uint8_t> block(4, 0xFF);
    block[2] = 0xF0;
    const WholeBlockComparison any =
        readAndCompareWholeBlock(device, block, 0x20, Compare::AnyDifference);
    Traffic expected;
    expected.resetAddress();
    expected.advanceAddress(0x20);
    for (const std::uint8_t value : {0x0F, 0xFF, 0xF1, 0xFF}) {
        expected.readRomByte(value);
        expected.advanceAddress(1);
    }
    EXPECT_EQ(port.log, expected.accesses());
    EXPECT_EQ(any.count, 2u);
    EXPECT_EQ(any.first[0].address, 0x20u);
    EXPECT_EQ(any.first[0].expected, 0xFF);
    EXPECT_EQ(any.first[0].actual, 0x0F);
    EXPECT_EQ(any.first[1].address, 0x22u);
    EXPECT_EQ(any.first[1].expected, 0xF0);
    EXPECT_EQ(any.first[1].actual, 0xF1);
    EXPECT_EQ(any.readAsZero, 4u);
    EXPECT_EQ(any.readAsOne, 1u);
    EXPECT_EQ(any.alwaysZero, 0x00); // no bit is wrong the same way at both
    EXPECT_EQ(any.alwaysOne, 0x00);

    // Before programming only a missing one counts: an extra one can still be programmed.
    port.log.clear();
    const WholeBlockComparison erase =
        readAndCompareWholeBlock(device, block, 0x20, Compare::NeedsErasing);
    EXPECT_EQ(port.log, expected.accesses());
    EXPECT_EQ(erase.count, 1u);
    EXPECT_EQ(erase.first[0].address, 0x20u);
    EXPECT_EQ(erase.alwaysZero, 0x00); // a four-byte block names no data line

    block[0] = 0x0F;
    block[2] = 0xF1;
    const WholeBlockComparison equal =
        readAndCompareWholeBlock(device, block, 0x20, Compare::AnyDifference);
    EXPECT_EQ(equal.count, 0u);
    EXPECT_EQ(equal.alwaysZero | equal.alwaysOne, 0x00);
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

// Records what a block operation tells its observer; answers false on call number
// stopAtCall (counting from 1), and runs duringCall on each call first.
class RecordingObserver final : public ByteObserver {
  public:
    bool byteDone(std::uint32_t bytesDone, std::uint32_t bytesTotal) override {
        calls.emplace_back(bytesDone, bytesTotal);
        if (duringCall) {
            duringCall(calls.size());
        }
        return calls.size() != stopAtCall;
    }

    std::vector<std::pair<std::uint32_t, std::uint32_t>> calls;
    std::size_t stopAtCall = 0; // never
    std::function<void(std::size_t)> duringCall;
};

using Calls = std::vector<std::pair<std::uint32_t, std::uint32_t>>;

TEST_F(RomDeviceTest, SelectedWritePassesOverBytesWithACounterStepOnly) {
    board.rom[2] = 0x55; // passed over: must stay as it is
    board.rom[3] = 0x66;
    RecordingObserver observer;
    device.setObserver(&observer);
    const std::vector<std::uint8_t> block{0x11, 0x22, 0x33, 0x44};
    const bool pulse[] = {true, false, false, true};
    const ProgrammingResult done = device.programSelectedBytes(block, pulse, 1);

    Traffic expected;
    expected.resetAddress();
    expected.advanceAddress(1);
    expected.control(0x08).control(0x0C);
    expected.data(0x11).control(0x04).readStatus(0xC7);
    expected.control(0x0D).control(0x0C);
    expected.control(0x0D).control(0x0C); // 0x22: no data write, no 0x04
    expected.control(0x0D).control(0x0C); // 0x33
    expected.data(0x44).control(0x04).readStatus(0xC7);
    expected.control(0x0D).control(0x0C);
    expected.control(0x00);
    EXPECT_EQ(port.log, expected.accesses());
    EXPECT_EQ(board.pulses(), 2u);
    EXPECT_EQ(board.rom[1], 0x11);
    EXPECT_EQ(board.rom[2], 0x55);
    EXPECT_EQ(board.rom[3], 0x66);
    EXPECT_EQ(board.rom[4], 0x44);
    EXPECT_EQ(board.address(), 5u); // stepped to the end of the block, as a full write
    // Told after every byte, in pulses: the passed-over ones add none.
    EXPECT_EQ(observer.calls, (Calls{{1, 2}, {1, 2}, {1, 2}, {2, 2}}));
    EXPECT_TRUE(done.finished());
    EXPECT_EQ(done.stoppedAt, 5u);
    EXPECT_EQ(done.pulsesGiven, 2u);

    // A block that starts with a passed-over byte steps before its first data write.
    port.log.clear();
    observer.calls.clear();
    const bool secondOnly[] = {false, true};
    device.programSelectedBytes(std::span(block).first(2), secondOnly, 0);
    expected = Traffic();
    expected.resetAddress();
    expected.control(0x08).control(0x0C);
    expected.control(0x0D).control(0x0C);
    expected.data(0x22).control(0x04).readStatus(0xC7);
    expected.control(0x0D).control(0x0C);
    expected.control(0x00);
    EXPECT_EQ(port.log, expected.accesses());
    EXPECT_EQ(observer.calls, (Calls{{0, 1}, {1, 1}}));
}

TEST_F(RomDeviceTest, SelectedWriteWithNothingToPulseTouchesNoPort) {
    RecordingObserver observer;
    device.setObserver(&observer);
    const std::vector<std::uint8_t> block(0x800, 0x00);
    const std::array<bool, RomSize> none{};
    const ProgrammingResult nothing = device.programSelectedBytes(block, none, 0);
    EXPECT_TRUE(port.log.empty());
    EXPECT_TRUE(nothing.finished());
    EXPECT_EQ(nothing.stoppedAt, RomSize);
    EXPECT_EQ(nothing.pulsesGiven, 0u);
    EXPECT_TRUE(observer.calls.empty());
    EXPECT_EQ(board.pulses(), 0u);
    EXPECT_EQ(board.rom[0], 0xFF);
}

// A pulse the timer never ends stops every kind of write at that byte: the pulse, the
// status reads up to the bound (1000 looks at the clock, 256 reads each), control 0x00,
// and no further access. The unanswered pulse is not counted as given.
TEST(RomDeviceSilentTimer, EndsEveryKindOfWriteAtItsByte) {
    FakeStep = 1;
    const std::vector<std::uint8_t> rom{0x5A, 0xFF, 0xFF, 0xFF, 0xFF};
    const std::vector<std::uint8_t> file{0x5A, 0x00, 0xFF, 0x34, 0x56};
    struct Case {
        const char* what;
        std::optional<PulseRule> rule;   // none: programRomBlock
        std::uint32_t answeredPulses;    // the timer ends these, then falls silent
        std::vector<std::size_t> pulsed; // the bytes that get a pulse, the last unanswered
        std::uint32_t stoppedAt;
    };
    const Case cases[] = {
        {"after a pre-check, dead from the start", PulseRule::Changed, 0, {1}, 0x21},
        {"--every-byte, silent at the third pulse", PulseRule::EveryByte, 2, {0, 1, 2}, 0x22},
        {"--force, silent at the third pulse", PulseRule::NotErased, 2, {0, 1, 3}, 0x23},
        {"the dialog's write, silent at the second pulse", std::nullopt, 1, {0, 1}, 0x21},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        sim::SimulatedBoard board;
        std::copy(rom.begin(), rom.end(), board.rom.begin() + 0x20);
        RecordingPort port{board};
        RomDevice device{port, fakeClock};
        RecordingObserver observer;
        const auto silenceAfter = [&](std::uint32_t pulses) {
            if (pulses == c.answeredPulses) {
                board.timerAnswersOnRead = sim::SimulatedBoard::TimerNeverAnswers;
            }
        };
        silenceAfter(0);
        observer.duringCall = [&](std::size_t) { silenceAfter(observer.calls.back().first); };
        device.setObserver(&observer);

        std::array<bool, 5> plan{};
        ProgrammingResult result;
        if (c.rule) {
            planPulses(*c.rule, file, rom, {}, plan);
            result = device.programSelectedBytes(file, plan, 0x20);
        } else {
            result = device.programRomBlock(file, 0x20);
        }

        Traffic expected;
        expected.resetAddress().advanceAddress(0x20).control(0x08).control(0x0C);
        for (std::size_t i = 0; i < file.size(); ++i) {
            const bool pulsed = std::find(c.pulsed.begin(), c.pulsed.end(), i) != c.pulsed.end();
            if (pulsed) {
                expected.data(file[i]).control(0x04);
                if (i == c.pulsed.back()) {
                    for (std::uint32_t n = 0; n < 1000 * RomDevice::StatusReadsPerClockCheck; ++n) {
                        expected.readStatus(0x47);
                    }
                    break;
                }
                expected.readStatus(0xC7);
            }
            expected.control(0x0D).control(0x0C);
        }
        expected.control(0x00);
        EXPECT_TRUE(sameTraffic(port.log, expected.accesses()));

        EXPECT_TRUE(result.timerSilent);
        EXPECT_FALSE(result.interrupted);
        EXPECT_FALSE(result.finished());
        EXPECT_EQ(result.stoppedAt, c.stoppedAt);
        EXPECT_EQ(result.pulsesGiven, c.answeredPulses);
        EXPECT_EQ(board.pulses(), c.answeredPulses + 1);
        EXPECT_FALSE(board.voltageOn());
        // Not told after the abandoned byte.
        EXPECT_EQ(observer.calls.size(), c.stoppedAt - 0x20);
    }
}

TEST_F(RomDeviceTest, SelectedWriteStopsDuringAPassedOverStretch) {
    RecordingObserver observer;
    observer.stopAtCall = 3; // after the second passed-over byte
    device.setObserver(&observer);
    const std::vector<std::uint8_t> block{0x10, 0x20, 0x30, 0x40, 0x50};
    const bool pulse[] = {true, false, false, false, true};
    const ProgrammingResult stopped = device.programSelectedBytes(block, pulse, 0x10);
    Traffic expected;
    expected.resetAddress().advanceAddress(0x10);
    expected.control(0x08).control(0x0C);
    expected.data(0x10).control(0x04).readStatus(0xC7);
    expected.control(0x0D).control(0x0C);
    expected.control(0x0D).control(0x0C);
    expected.control(0x0D).control(0x0C);
    expected.control(0x00); // off at once, no further step
    EXPECT_EQ(port.log, expected.accesses());
    EXPECT_EQ(board.pulses(), 1u);
    EXPECT_EQ(board.rom[0x14], 0xFF);
    EXPECT_EQ(observer.calls, (Calls{{1, 2}, {1, 2}, {1, 2}}));
    // Where it stopped: the first byte not reached.
    EXPECT_TRUE(stopped.interrupted);
    EXPECT_FALSE(stopped.timerSilent);
    EXPECT_EQ(stopped.stoppedAt, 0x13u);
    EXPECT_EQ(stopped.pulsesGiven, 1u);

    // Stopped after the last byte, the write is whole.
    observer.calls.clear();
    observer.stopAtCall = 5;
    const ProgrammingResult whole = device.programSelectedBytes(block, pulse, 0x10);
    EXPECT_TRUE(whole.finished());
    EXPECT_EQ(whole.stoppedAt, 0x15u);
    EXPECT_EQ(whole.pulsesGiven, 2u);
}

// The write as the command line does it: a pre-check read, the plan, the selected write
// and the verification, on the simulated board.
TEST_F(RomDeviceTest, PlannedWritesLeaveTheRomRightWithOnePulsePerProgrammedByte) {
    std::vector<std::uint8_t> image(RomSize);
    for (std::size_t i = 0; i < image.size(); ++i) {
        image[i] = i % 5 < 2 ? 0xFF : static_cast<std::uint8_t>(i * 7); // 40% FFh
    }
    std::vector<std::uint8_t> rom(RomSize);
    std::array<bool, RomSize> plan{};

    // Erased ROM, no pre-check: every byte that is not FFh.
    const PulseCounts forced = planPulses(PulseRule::NotErased, image, {}, {}, plan);
    device.programSelectedBytes(image, plan, 0);
    EXPECT_EQ(board.pulses(), forced.programmed);
    EXPECT_EQ(forced.programmed + forced.alreadyHeld, RomSize);
    EXPECT_EQ(device.verifyRomBlock(image, 0), 0);

    // The same image again, after a pre-check: nothing to pulse.
    device.readRomBlock(rom, 0);
    EXPECT_EQ(planPulses(PulseRule::Changed, image, rom, {}, plan), (PulseCounts{0, RomSize}));

    // A patch of three bytes (bits only cleared, over FFh) in a block at an offset, of
    // which the file defines the first 0x30 bytes: the undefined byte at 0x35 differs from
    // the ROM but must keep what the ROM holds.
    std::vector<std::uint8_t> patch(image.begin() + 0x300, image.begin() + 0x340);
    std::array<bool, 0x40> defined{};
    std::fill(defined.begin(), defined.begin() + 0x30, true);
    patch[0x02] = 0x0F;
    patch[0x11] = 0x00;
    patch[0x2F] = 0xFE;
    patch[0x35] = 0x00;
    const std::span<std::uint8_t> romBlock = std::span(rom).first(patch.size());
    const std::span<bool> patchPlan = std::span(plan).first(patch.size());
    device.readRomBlock(romBlock, 0x300);
    EXPECT_EQ(planPulses(PulseRule::Changed, patch, romBlock, defined, patchPlan),
              (PulseCounts{3, 0x30 - 3}));
    const std::uint32_t before = board.pulses();
    device.programSelectedBytes(patch, patchPlan, 0x300);
    EXPECT_EQ(board.pulses() - before, 3u);
    EXPECT_EQ(board.rom[0x302], 0x0F);
    EXPECT_EQ(board.rom[0x311], 0x00);
    EXPECT_EQ(board.rom[0x32F], 0xFE);
    EXPECT_EQ(board.rom[0x335], 0xFF);
    EXPECT_TRUE(std::equal(patch.begin(), patch.begin() + 0x30, board.rom.begin() + 0x300));
    EXPECT_EQ(port.lastControl(), 0x00);
}

TEST(PulsePlan, EachRuleMarksItsBytesAndNeverAByteTheFileDoesNotDefine) {
    const std::uint8_t file[] = {0x00, 0xFF, 0x12, 0x34, 0xFF, 0x56};
    const std::uint8_t rom[] = {0x00, 0xFF, 0xFF, 0x34, 0x00, 0x57};
    const bool defined[] = {true, true, false, true, false, true};
    struct Case {
        PulseRule rule;
        std::span<const bool> defined;
        PulseCounts counts;
        std::vector<bool> pulse;
    };
    const Case cases[] = {
        {PulseRule::Changed, {}, {3, 3}, {false, false, true, false, true, true}},
        {PulseRule::NotErased, {}, {4, 2}, {true, false, true, true, false, true}},
        {PulseRule::EveryByte, {}, {6, 0}, {true, true, true, true, true, true}},
        {PulseRule::Changed, defined, {1, 3}, {false, false, false, false, false, true}},
        {PulseRule::NotErased, defined, {3, 1}, {true, false, false, true, false, true}},
        {PulseRule::EveryByte, defined, {4, 0}, {true, true, false, true, false, true}},
    };
    for (const Case& c : cases) {
        bool pulse[6] = {true, true, true, true, true, true}; // every flag is set by the plan
        EXPECT_EQ(planPulses(c.rule, file, rom, c.defined, pulse), c.counts)
            << static_cast<int>(c.rule) << (c.defined.empty() ? "" : ", some undefined");
        EXPECT_EQ(std::vector(std::begin(pulse), std::end(pulse)), c.pulse)
            << static_cast<int>(c.rule) << (c.defined.empty() ? "" : ", some undefined");
    }
}

} // namespace
} // namespace rfprog::test
