#include "cli/selftest.h"

#include <algorithm>

namespace rfprog::cli {

namespace {

// The byte of round 0 is the XOR of these columns over the address's set bits, so every
// address bit flips at least three data bits: no fault of one or two data lines can make
// two addresses that differ in one bit read alike, and bytes read alike there can only
// come from the counter. Every data bit is 0 at half the addresses and 1 at the other
// half, and any two data bits differ at half of them, also over every half of the ROM
// that one stuck address line leaves. Round 1 loads the complement, so that every line
// and every cell carries both values at every address.
constexpr std::array<std::uint8_t, AddressLines> AddressColumns = {
    0x07, 0x0E, 0x1C, 0x38, 0x70, 0xE0, 0xC1, 0x83, 0x55, 0x33, 0x0F,
};

// An address line is named only on this much evidence: pairs of addresses that differ only
// in it, loaded differently and read alike.
constexpr std::uint32_t MinAliasedPairs = 8;

std::uint8_t patternByte(std::uint32_t round, std::uint32_t address) {
    std::uint8_t value = 0;
    for (std::uint32_t line = 0; line < AddressLines; ++line) {
        if ((address >> line) & 1) {
            value ^= AddressColumns[line];
        }
    }
    return round == 0 ? value : static_cast<std::uint8_t>(~value);
}

std::uint32_t aliasedPairs(std::span<const SelfTestBlock, SelfTestRounds> readBack,
                           std::uint32_t line) {
    const std::uint32_t bit = 1U << line;
    std::uint32_t pairs = 0;
    for (std::uint32_t address = 0; address < RomSize; ++address) {
        if ((address & bit) == 0 &&
            std::all_of(readBack.begin(), readBack.end(), [&](const SelfTestBlock& block) {
                return block[address] == block[address | bit];
            })) {
            ++pairs;
        }
    }
    return pairs;
}

} // namespace

void fillSelfTestPattern(std::uint32_t round, std::span<std::uint8_t, RomSize> block) {
    for (std::uint32_t address = 0; address < RomSize; ++address) {
        block[address] = patternByte(round, address);
    }
}

bool nothingReadsBack(std::span<const SelfTestBlock> readBack) {
    const SelfTestBlock& last = readBack.back();
    if (std::all_of(last.begin(), last.end(), [](std::uint8_t b) { return b == ErasedByte; })) {
        return true;
    }
    return readBack.size() > 1 && last == readBack[readBack.size() - 2];
}

SelfTestDiagnosis diagnoseSelfTest(std::span<const SelfTestBlock, SelfTestRounds> readBack) {
    SelfTestDiagnosis diagnosis;
    std::uint8_t everReadOne = 0;
    std::uint8_t everReadZero = 0;
    // differentFrom[k]: the lines that read other than line k in some byte.
    std::array<std::uint8_t, DataLines> differentFrom{};
    for (std::uint32_t round = 0; round < SelfTestRounds; ++round) {
        for (std::uint32_t address = 0; address < RomSize; ++address) {
            const std::uint8_t value = readBack[round][address];
            diagnosis.differing += value != patternByte(round, address) ? 1 : 0;
            everReadOne |= value;
            everReadZero |= static_cast<std::uint8_t>(~value);
            for (std::uint32_t line = 0; line < DataLines; ++line) {
                const auto likeLine =
                    static_cast<std::uint8_t>((value >> line) & 1 ? value : ~value);
                differentFrom[line] |= static_cast<std::uint8_t>(~likeLine);
            }
        }
    }
    diagnosis.stuckAtZero = static_cast<std::uint8_t>(~everReadOne);
    diagnosis.stuckAtOne = static_cast<std::uint8_t>(~everReadZero);
    // Lines that are stuck read alike for that reason; they are named as stuck only.
    const std::uint8_t stuck = diagnosis.stuckAtZero | diagnosis.stuckAtOne;
    for (std::uint32_t line = 0; line < DataLines; ++line) {
        const std::uint8_t higher = static_cast<std::uint8_t>(0xFF << (line + 1));
        if (((stuck >> line) & 1) == 0) {
            diagnosis.shortedTo[line] =
                static_cast<std::uint8_t>(~differentFrom[line] & ~stuck & higher);
        }
    }
    for (std::uint32_t line = 0; line < AddressLines; ++line) {
        if (aliasedPairs(readBack, line) >= MinAliasedPairs) {
            diagnosis.aliasedAddressLines |= static_cast<std::uint16_t>(1U << line);
        }
    }
    return diagnosis;
}

} // namespace rfprog::cli
