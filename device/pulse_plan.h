// Which bytes of a write get a programming pulse. A pulse can only clear bits, so a byte
// the ROM already holds, or an FFh, gains nothing from one; passing such bytes over spares
// the chip and about 50 ms a byte.
#pragma once

#include <cstdint>
#include <span>

namespace rfprog {

enum class PulseRule {
    Changed,   // after a pre-check read: where the ROM does not already hold the file's byte
    NotErased, // without a pre-check: wherever the file's byte is not FFh
    EveryByte, // every byte the file defines, whatever the ROM holds
};

// Of the bytes the file defines: those that get a pulse and those passed over. Bytes the
// file does not define are in neither.
struct PulseCounts {
    std::uint32_t programmed = 0;
    std::uint32_t alreadyHeld = 0;
    friend bool operator==(const PulseCounts&, const PulseCounts&) = default;
};

// Sets pulse[i] for each byte of the file's block that gets a pulse under the rule. rom is
// the pre-check read of the same block (read only under PulseRule::Changed); defined holds
// one flag per byte, or is empty when the file defines every byte (a raw file). Callers
// guarantee that pulse, and rom and defined when used, are as long as file.
PulseCounts planPulses(PulseRule rule, std::span<const std::uint8_t> file,
                       std::span<const std::uint8_t> rom, std::span<const bool> defined,
                       std::span<bool> pulse);

} // namespace rfprog
