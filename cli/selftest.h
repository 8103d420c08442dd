// The board's self-test through the ROM emulator: what is loaded in each round, and what
// the bytes read back say about the board's data lines and its counter's outputs. The
// emulator is plain memory behind the same data lines and counter as the ROM, so a fault
// it shows is the board's, and no chip is at risk.
#pragma once

#include "device/programmer_registers.h"

#include <array>
#include <cstdint>
#include <span>

namespace rfprog::cli {

inline constexpr std::uint32_t SelfTestRounds = 2;

using SelfTestBlock = std::array<std::uint8_t, RomSize>;

// The bytes loaded in round (0 or 1) over the whole ROM's addresses.
void fillSelfTestPattern(std::uint32_t round, std::span<std::uint8_t, RomSize> block);

struct SelfTestDiagnosis {
    std::uint32_t differing = 0;  // bytes that read back other than loaded, over the rounds
    std::uint8_t stuckAtZero = 0; // data lines that read 0 in every byte of every round
    std::uint8_t stuckAtOne = 0;
    // Per data line, the higher lines that read the same as it in every byte of every round.
    std::array<std::uint8_t, DataLines> shortedTo{};
    std::uint16_t aliasedAddressLines = 0; // A0..A10 whose addresses read alike in pairs

    bool passed() const { return differing == 0; }
};

// True when the last round read back nothing of what it loaded: every byte FFh (no
// emulator, or one that does not drive the lines), or, after the first round, every byte
// as the round before read it, though each was loaded inverted.
bool nothingReadsBack(std::span<const SelfTestBlock> readBack);

// What the rounds' read-backs, each read over the whole ROM from address 0, say about the
// board.
SelfTestDiagnosis diagnoseSelfTest(std::span<const SelfTestBlock, SelfTestRounds> readBack);

} // namespace rfprog::cli
