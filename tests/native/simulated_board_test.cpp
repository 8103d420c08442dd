// The simulated board keeps the board's register contract.
#include "sim/sim_settings.h"
#include "sim/simulated_board.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace rfprog::sim {
namespace {

void write(SimulatedBoard& board, std::initializer_list<std::uint8_t> values) {
    for (const std::uint8_t value : values) {
        board.writeControl(static_cast<ControlValue>(value));
    }
}

TEST(SimulatedBoard, CounterResetsAndCountsOnEitherClockSequence) {
    SimulatedBoard board;
    write(board, {0x00, 0x01, 0x00, 0x00, 0x01, 0x00});
    EXPECT_EQ(board.address(), 2u);
    write(board, {0x02, 0x03, 0x02, 0x00});
    EXPECT_EQ(board.address(), 0u);
    write(board, {0x0C, 0x0D, 0x0C, 0x0D, 0x0C});
    EXPECT_EQ(board.address(), 2u);
    for (std::uint32_t i = 0; i < RomSize - 2; ++i) {
        write(board, {0x00, 0x01, 0x00});
    }
    EXPECT_EQ(board.address(), 0u); // eleven bits wrap
    EXPECT_EQ(board.undefinedControlWrites(), 0u);
    write(board, {0x10});
    EXPECT_EQ(board.undefinedControlWrites(), 1u);
}

TEST(SimulatedBoard, RomIsReadOnlyWhileTheReadValueIsHeld) {
    SimulatedBoard board;
    board.rom[0] = 0x12;
    board.writeData(0x99);
    EXPECT_EQ(board.readData(), 0x99); // the PC's own byte
    write(board, {0xAA});
    EXPECT_EQ(board.readData(), 0x12);
    board.faults.stuckAtZero = 0x02;
    board.faults.stuckAtOne = 0x80;
    EXPECT_EQ(board.readData(), 0x90);
}

TEST(SimulatedBoard, ProgrammingOnlyClearsBitsAndStartsTheTimer) {
    SimulatedBoard board;
    board.timerAnswersOnRead = 2;
    board.rom[0] = 0xF0;
    board.writeData(0x3C);
    write(board, {0x08, 0x0C});
    EXPECT_TRUE(board.voltageOn());
    EXPECT_EQ(board.readStatus() & PulseOverMask, 0); // no pulse yet
    write(board, {0x04});
    EXPECT_EQ(board.rom[0], 0x30);
    EXPECT_TRUE(board.takeRomChanged());
    EXPECT_FALSE(board.takeRomChanged());
    EXPECT_EQ(board.readStatus() & PulseOverMask, 0);
    EXPECT_EQ(board.readStatus() & PulseOverMask, PulseOverMask);
    write(board, {0x00});
    EXPECT_FALSE(board.voltageOn());

    board.faults.unprogrammable = true;
    write(board, {0x0C, 0x04});
    board.writeData(0x00);
    write(board, {0x0C, 0x04});
    EXPECT_EQ(board.rom[0], 0x30);
    EXPECT_EQ(board.pulses(), 3u);
}

TEST(SimulatedBoard, EmulatorStoresOnTheStrobeOnlyWhenPlugged) {
    SimulatedBoard board;
    board.writeData(0x55);
    write(board, {0x08, 0x0A, 0x08, 0x00});
    EXPECT_EQ(board.emulator[0], 0xFF);
    board.emulatorPlugged = true;
    write(board, {0x08, 0x0A, 0x08, 0x00});
    EXPECT_EQ(board.emulator[0], 0x55);
    EXPECT_TRUE(board.takeEmulatorChanged());
    write(board, {0xAA});
    EXPECT_EQ(board.readData(), 0x55);
}

// Reset, then count up to address.
void moveTo(SimulatedBoard& board, std::uint32_t address) {
    write(board, {0x02, 0x03, 0x02, 0x00});
    for (std::uint32_t i = 0; i < address; ++i) {
        write(board, {0x00, 0x01, 0x00});
    }
}

std::uint8_t readAt(SimulatedBoard& board, std::uint32_t address) {
    moveTo(board, address);
    write(board, {0xAA});
    const std::uint8_t value = board.readData();
    write(board, {0x00});
    return value;
}

TEST(SimulatedBoard, DataLineFaultsActOnTheRomAndTheEmulatorAlike) {
    SimulatedBoard board;
    ASSERT_TRUE(applyFaultsSetting(board, "stuck0=01,stuck1=80,short=2-3,short=5-6,short=6-4"));
    board.rom[1] = 0x04;      // bit 2 alone: the short pulls it down
    board.emulator[1] = 0x3D; // 2 and 3 both 1, 4 and 5 both 1 but 6 is 0: the chain pulls them
    board.rom[2] = 0x70;      // 4, 5, 6 all 1: they stay
    EXPECT_EQ(readAt(board, 1), 0x80);
    EXPECT_EQ(readAt(board, 2), 0xF0);
    board.emulatorPlugged = true;
    EXPECT_EQ(readAt(board, 1), 0x8C);
    EXPECT_EQ(board.emulator[1], 0x3D); // the fault is on the lines, not in the memory
    board.emulator[2] = 0x00;
    EXPECT_EQ(readAt(board, 2), 0x80);
}

TEST(SimulatedBoard, AStuckCounterOutputMovesReadsProgrammingAndEmulatorStores) {
    SimulatedBoard board;
    ASSERT_TRUE(applyFaultsSetting(board, "addr-stuck1=3,addr-stuck0=10"));
    board.rom[0x008] = 0x5A;
    EXPECT_EQ(readAt(board, 0x000), 0x5A); // A3 reads 1
    EXPECT_EQ(readAt(board, 0x400), 0x5A); // and A10 0
    EXPECT_EQ(board.address(), 0x400u);    // the counter itself counts on

    moveTo(board, 0x401);
    board.writeData(0x0F);
    write(board, {0x08, 0x0C, 0x04, 0x0C, 0x00});
    EXPECT_EQ(board.rom[0x009], 0x0F);
    EXPECT_EQ(board.rom[0x401], 0xFF);

    board.emulatorPlugged = true;
    moveTo(board, 0x002);
    board.writeData(0x33);
    write(board, {0x08, 0x0A, 0x08, 0x00});
    EXPECT_EQ(board.emulator[0x00A], 0x33);
    EXPECT_EQ(board.emulator[0x002], 0xFF);
    EXPECT_EQ(readAt(board, 0x40A), 0x33);
}

TEST(SimulatedBoard, AFlakyBitReadsInvertedOnEverySecondReadOfItsAddressInTheRomOnly) {
    SimulatedBoard board;
    ASSERT_TRUE(applyFaultsSetting(board, "flaky=005:3,flaky=5:0,flaky=7FF:7"));
    board.rom[5] = 0x00;
    board.rom[6] = 0x00;
    std::vector<int> reads;
    for (int i = 0; i < 4; ++i) {
        reads.push_back(readAt(board, 5));
        reads.push_back(readAt(board, 6)); // other addresses do not count
    }
    EXPECT_EQ(reads, (std::vector<int>{0x00, 0x00, 0x09, 0x00, 0x00, 0x00, 0x09, 0x00}));
    EXPECT_EQ(board.rom[5], 0x00);
    EXPECT_EQ(readAt(board, 0x7FF), 0xFF);
    EXPECT_EQ(readAt(board, 0x7FF), 0x7F);

    board.emulatorPlugged = true;
    board.emulator[5] = 0x00;
    EXPECT_EQ(readAt(board, 5), 0x00);
    EXPECT_EQ(readAt(board, 5), 0x00);
}

TEST(SimulatedBoard, AbsentBoardFloatsHighAndNeverAnswers) {
    SimulatedBoard board;
    board.faults.absent = true;
    board.rom[0] = 0x00;
    write(board, {0xAA});
    EXPECT_EQ(board.readData(), 0xFF);
    write(board, {0x08, 0x0C, 0x04});
    for (int i = 0; i < 100; ++i) {
        EXPECT_EQ(board.readStatus() & PulseOverMask, 0);
    }
}

TEST(SimulatedBoardSettings, ParsesTimerAndFaults) {
    SimulatedBoard board;
    EXPECT_TRUE(applySettings(board, "", ""));
    EXPECT_EQ(board.timerAnswersOnRead, 1u);
    EXPECT_TRUE(applySettings(board, "never", "absent,stuck0=01,stuck1=80,unprogrammable"));
    EXPECT_EQ(board.timerAnswersOnRead, SimulatedBoard::TimerNeverAnswers);
    EXPECT_TRUE(board.faults.absent);
    EXPECT_TRUE(board.faults.unprogrammable);
    EXPECT_EQ(board.faults.stuckAtZero, 0x01);
    EXPECT_EQ(board.faults.stuckAtOne, 0x80);
    EXPECT_TRUE(applySettings(board, "5000", ""));
    EXPECT_EQ(board.timerAnswersOnRead, 5000u);
    EXPECT_FALSE(applySettings(board, "soon", "sideways"));
    EXPECT_EQ(board.timerAnswersOnRead, 5000u);
}

TEST(SimulatedBoardSettings, ParsesTheLineFaultsAndRefusesMalformedOnes) {
    SimulatedBoard board;
    EXPECT_TRUE(applyFaultsSetting(
        board, "addr-stuck0=0,addr-stuck0=10,addr-stuck1=4,short=7-0,flaky=7fF:7,flaky=0:0"));
    EXPECT_EQ(board.faults.addressStuckAtZero, 0x401);
    EXPECT_EQ(board.faults.addressStuckAtOne, 0x010);
    ASSERT_EQ(board.faults.shortCount, 1u);
    EXPECT_EQ(board.faults.shorts[0], 0x81);
    ASSERT_EQ(board.faults.flakyCount, 2u);
    EXPECT_EQ(board.faults.flaky[0].address, 0x7FFu);
    EXPECT_EQ(board.faults.flaky[0].mask, 0x80);
    EXPECT_EQ(board.faults.flaky[1].address, 0x000u);

    for (const char* word :
         {"addr-stuck0=11", "addr-stuck1=", "addr-stuck0=0x3", "addr-stuck1=-1", "addr-stuck=3",
          "addr-stuck1=0" /* already stuck at 0 */, "short=3-3", "short=3-8", "short=3", "short=3-",
          "short=-3", "short=1--2", "flaky=800:0", "flaky=7FF:8", "flaky=7FF", "flaky=:1",
          "flaky=0x10:1", "flaky=10:", "stuck0=1FF"}) {
        SCOPED_TRACE(word);
        SimulatedBoard fresh;
        fresh.faults.addressStuckAtZero = 0x001;
        EXPECT_FALSE(applyFaultsSetting(fresh, word));
        EXPECT_EQ(fresh.faults.addressStuckAtOne, 0);
        EXPECT_EQ(fresh.faults.shortCount, 0u);
        EXPECT_EQ(fresh.faults.flakyCount, 0u);
    }

    // Eight shorts and eight flaky addresses at most.
    SimulatedBoard full;
    for (int i = 0; i < 8; ++i) {
        EXPECT_TRUE(applyFaultsSetting(full, "short=0-1,flaky=" + std::to_string(i) + ":1"));
    }
    EXPECT_TRUE(applyFaultsSetting(full, "flaky=7:2")); // an address already listed
    EXPECT_FALSE(applyFaultsSetting(full, "short=0-1"));
    EXPECT_FALSE(applyFaultsSetting(full, "flaky=8:1"));
}

} // namespace
} // namespace rfprog::sim
