// The board's self-test on the simulated board, through the core as the program runs it:
// its patterns tell every single line fault apart, each is named alone, and an emulator
// that shows nothing of what was loaded is told from a faulty board.
#include "cli/selftest.h"
#include "device/rom_device.h"
#include "sim/sim_settings.h"
#include "sim/simulated_board.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstdio>
#include <string>

namespace rfprog::cli {
namespace {

using ReadBack = std::array<SelfTestBlock, SelfTestRounds>;

SelfTestBlock pattern(std::uint32_t round) {
    SelfTestBlock block{};
    fillSelfTestPattern(round, block);
    return block;
}

// Both rounds on the board: the pattern loaded into the emulator, then read back.
ReadBack runRounds(sim::SimulatedBoard& board) {
    RomDevice device(board);
    ReadBack readBack{};
    for (std::uint32_t round = 0; round < SelfTestRounds; ++round) {
        device.loadEmulatorBlock(pattern(round), 0);
        device.readRomBlock(readBack[round], 0);
    }
    return readBack;
}

bool firstRoundShowsNothing(const ReadBack& readBack) {
    return nothingReadsBack(std::span(readBack).first(1));
}

ReadBack readBackWith(const std::string& faults) {
    sim::SimulatedBoard board;
    board.emulatorPlugged = true;
    EXPECT_TRUE(sim::applyFaultsSetting(board, faults)) << faults;
    return runRounds(board);
}

// What a diagnosis names, as one comparable record.
struct Named {
    std::uint8_t stuckAtZero = 0;
    std::uint8_t stuckAtOne = 0;
    std::array<std::uint8_t, DataLines> shortedTo{};
    std::uint16_t addressLines = 0;
    bool operator==(const Named&) const = default;
};

Named named(const SelfTestDiagnosis& diagnosis) {
    return {diagnosis.stuckAtZero, diagnosis.stuckAtOne, diagnosis.shortedTo,
            diagnosis.aliasedAddressLines};
}

std::ostream& operator<<(std::ostream& out, const Named& n) {
    out << "stuck0 " << int(n.stuckAtZero) << " stuck1 " << int(n.stuckAtOne) << " shorts";
    for (const std::uint8_t mask : n.shortedTo) {
        out << ' ' << int(mask);
    }
    return out << " address " << n.addressLines;
}

TEST(SelfTestPatterns, EveryLineCarriesBothValuesAndEveryAddressBitFlipsThreeDataBits) {
    const SelfTestBlock first = pattern(0);
    const SelfTestBlock second = pattern(1);
    for (std::uint32_t address = 0; address < RomSize; ++address) {
        ASSERT_EQ(second[address], static_cast<std::uint8_t>(~first[address])) << address;
        for (std::uint32_t line = 0; line < AddressLines; ++line) {
            const auto flipped = first[address] ^ first[address ^ (1U << line)];
            ASSERT_GE(std::popcount(static_cast<unsigned>(flipped)), 3) << address << " A" << line;
        }
    }
    for (std::uint32_t k = 0; k < DataLines; ++k) {
        for (std::uint32_t l = k; l < DataLines; ++l) {
            // Bit k set (l == k), or bits k and l different, at half of each half of the ROM
            // that a stuck address line leaves.
            for (std::uint32_t line = 0; line < AddressLines; ++line) {
                for (const std::uint32_t half : {0U, 1U}) {
                    std::uint32_t count = 0;
                    for (std::uint32_t address = 0; address < RomSize; ++address) {
                        const std::uint32_t bitK = (first[address] >> k) & 1;
                        const std::uint32_t bitL = (first[address] >> l) & 1;
                        count += ((address >> line) & 1) == half && (l == k ? bitK : bitK != bitL);
                    }
                    EXPECT_EQ(count, RomSize / 4) << k << " " << l << " A" << line;
                }
            }
        }
    }
}

TEST(SelfTestDiagnosis, AHealthyBoardPasses) {
    const ReadBack readBack = readBackWith("");
    EXPECT_EQ(readBack[0], pattern(0));
    EXPECT_EQ(readBack[1], pattern(1));
    EXPECT_FALSE(firstRoundShowsNothing(readBack));
    EXPECT_FALSE(nothingReadsBack(readBack));
    const SelfTestDiagnosis diagnosis = diagnoseSelfTest(readBack);
    EXPECT_TRUE(diagnosis.passed());
    EXPECT_EQ(diagnosis.differing, 0u);
    EXPECT_EQ(named(diagnosis), Named{});
}

// The diagnosis treats every line alike, and the pattern test above shows every line and
// pair can be told apart: the lowest, a middle and the highest line stand for the rest.
TEST(SelfTestDiagnosis, EachStuckDataLineIsNamedAlone) {
    for (const std::uint32_t line : {0U, 3U, 7U}) {
        char hex[3];
        std::snprintf(hex, sizeof hex, "%02X", static_cast<unsigned>(std::uint8_t(1U << line)));
        for (const bool high : {false, true}) {
            const std::string setting = std::string(high ? "stuck1=" : "stuck0=") + hex;
            SCOPED_TRACE(setting);
            const SelfTestDiagnosis diagnosis = diagnoseSelfTest(readBackWith(setting));
            Named expected;
            (high ? expected.stuckAtOne : expected.stuckAtZero) =
                static_cast<std::uint8_t>(1U << line);
            EXPECT_EQ(named(diagnosis), expected);
            EXPECT_EQ(diagnosis.differing, RomSize); // half the bytes of each round
        }
    }
}

TEST(SelfTestDiagnosis, EveryPairOfShortedDataLinesIsNamedAlone) {
    for (const auto& [k, l] : {std::pair{0U, 1U}, {0U, 7U}, {2U, 5U}, {6U, 7U}}) {
        // Either order of the setting.
        const std::string setting = "short=" + std::to_string(l) + "-" + std::to_string(k);
        SCOPED_TRACE(setting);
        const SelfTestDiagnosis diagnosis = diagnoseSelfTest(readBackWith(setting));
        Named expected;
        expected.shortedTo[k] = static_cast<std::uint8_t>(1U << l);
        EXPECT_EQ(named(diagnosis), expected);
        EXPECT_EQ(diagnosis.differing, RomSize);
    }
}

TEST(SelfTestDiagnosis, EachStuckCounterOutputIsNamedAlone) {
    for (const std::uint32_t line : {0U, 5U, 10U}) {
        for (const char* kind : {"addr-stuck0=", "addr-stuck1="}) {
            const std::string setting = kind + std::to_string(line);
            SCOPED_TRACE(setting);
            const SelfTestDiagnosis diagnosis = diagnoseSelfTest(readBackWith(setting));
            Named expected;
            expected.addressLines = static_cast<std::uint16_t>(1U << line);
            EXPECT_EQ(named(diagnosis), expected);
            EXPECT_EQ(diagnosis.differing, RomSize);
        }
    }
}

TEST(SelfTestDiagnosis, ShortedCounterOutputsNameBothLines) {
    // Two outputs shorted read the AND of the two; the emulator keeps the last byte
    // stored at each address the outputs show.
    for (const auto& [j, k] : {std::pair{0U, 1U}, {4U, 9U}, {9U, 10U}}) {
        SCOPED_TRACE(std::to_string(j) + "-" + std::to_string(k));
        const std::uint32_t pair = (1U << j) | (1U << k);
        const auto shown = [&](std::uint32_t address) {
            return (address & pair) == pair ? address : address & ~pair;
        };
        ReadBack readBack{};
        for (std::uint32_t round = 0; round < SelfTestRounds; ++round) {
            SelfTestBlock emulator{};
            emulator.fill(ErasedByte);
            const SelfTestBlock loaded = pattern(round);
            for (std::uint32_t address = 0; address < RomSize; ++address) {
                emulator[shown(address)] = loaded[address];
            }
            for (std::uint32_t address = 0; address < RomSize; ++address) {
                readBack[round][address] = emulator[shown(address)];
            }
        }
        Named expected;
        expected.addressLines = static_cast<std::uint16_t>(pair);
        EXPECT_EQ(named(diagnoseSelfTest(readBack)), expected);
    }
}

TEST(SelfTestDiagnosis, AFewWrongBytesNameNoLine) {
    ReadBack readBack = readBackWith("");
    readBack[0][0x123] ^= 0x10;
    readBack[1][0x456] = readBack[1][0x457]; // one pair read alike is no evidence
    const SelfTestDiagnosis diagnosis = diagnoseSelfTest(readBack);
    EXPECT_FALSE(diagnosis.passed());
    EXPECT_EQ(diagnosis.differing, 2u);
    EXPECT_EQ(named(diagnosis), Named{});
}

TEST(SelfTestDiagnosis, NothingReadsBackWithoutAnEmulatorThatAnswers) {
    // No emulator and an erased ROM, or no board: every byte reads FFh in the first round.
    sim::SimulatedBoard noEmulator;
    EXPECT_TRUE(firstRoundShowsNothing(runRounds(noEmulator)));
    sim::SimulatedBoard absent;
    absent.emulatorPlugged = true;
    absent.faults.absent = true;
    EXPECT_TRUE(firstRoundShowsNothing(runRounds(absent)));

    // No emulator but a programmed chip: the second round reads what the first did.
    sim::SimulatedBoard chip;
    chip.rom = pattern(0);
    chip.rom[0x10] = 0x00;
    const ReadBack readBack = runRounds(chip);
    EXPECT_FALSE(firstRoundShowsNothing(readBack));
    EXPECT_TRUE(nothingReadsBack(readBack));

    // All data lines stuck at 1 look the same.
    EXPECT_TRUE(firstRoundShowsNothing(readBackWith("stuck1=FF")));
}

} // namespace
} // namespace rfprog::cli
