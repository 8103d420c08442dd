// The simulated board keeps the board's register contract.
#include "sim/sim_settings.h"
#include "sim/simulated_board.h"

#include <gtest/gtest.h>

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

} // namespace
} // namespace rfprog::sim
