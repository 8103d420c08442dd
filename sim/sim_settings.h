// The simulated board's settings from text, as the drop-in DLL and tests take them.
#pragma once

#include "sim/simulated_board.h"

#include <string_view>

namespace rfprog::sim {

// The environment variables that configure the simulated board, wherever it runs.
inline constexpr const char* RomVariable = "RFPROG_SIM_ROM";
inline constexpr const char* EmulatorVariable = "RFPROG_SIM_EMULATOR";
inline constexpr const char* TimerVariable = "RFPROG_SIM_TIMER";
inline constexpr const char* FaultsVariable = "RFPROG_SIM_FAULTS";
inline constexpr const char* TraceVariable = "RFPROG_SIM_TRACE";
inline constexpr const char* WindowReportVariable = "RFPROG_SIM_WINDOW";

// timer: "" (default 1), "never", or the decimal status read that sees bit 7.
// Returns false, changing nothing, when the text is not one of these.
bool applyTimerSetting(SimulatedBoard& board, std::string_view timer);

// faults: comma-separated "absent", "unprogrammable", "nodriver", "stuck0=HH",
// "stuck1=HH" (hexadecimal masks of data bits), "addr-stuck0=N", "addr-stuck1=N" (counter
// output AN, decimal 0 to 10; one line each, repeated for more), "short=K-L" (two different
// data lines 0 to 7; up to 8) and "flaky=AAA:B" (hexadecimal ROM address, data bit 0 to 7;
// up to 8 addresses). Returns false (and leaves the rest applied) when a word is not
// understood.
bool applyFaultsSetting(SimulatedBoard& board, std::string_view faults);

// The board's own settings, in the order every host reads and refuses them.
struct BoardSetting {
    const char* variable;
    bool (*apply)(SimulatedBoard& board, std::string_view text);
};
inline constexpr BoardSetting BoardSettings[] = {
    {TimerVariable, applyTimerSetting},
    {FaultsVariable, applyFaultsSetting},
};

// Both of the above; false when either text is not understood.
bool applySettings(SimulatedBoard& board, std::string_view timer, std::string_view faults);

} // namespace rfprog::sim
