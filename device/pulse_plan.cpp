#include "device/pulse_plan.h"

#include "core/rom_basics.h"

namespace rfprog {

namespace {

bool needsPulse(PulseRule rule, std::span<const std::uint8_t> file,
                std::span<const std::uint8_t> rom, std::size_t i) {
    switch (rule) {
    case PulseRule::Changed:
        return rom[i] != file[i];
    case PulseRule::NotErased:
        return file[i] != ErasedByte;
    case PulseRule::EveryByte:
        return true;
    }
    return true;
}

} // namespace

PulseCounts planPulses(PulseRule rule, std::span<const std::uint8_t> file,
                       std::span<const std::uint8_t> rom, std::span<const bool> defined,
                       std::span<bool> pulse) {
    PulseCounts counts;
    for (std::size_t i = 0; i < file.size(); ++i) {
        pulse[i] = false;
        if (!defined.empty() && !defined[i]) {
            continue;
        }
        pulse[i] = needsPulse(rule, file, rom, i);
        ++(pulse[i] ? counts.programmed : counts.alreadyHeld);
    }
    return counts;
}

} // namespace rfprog
