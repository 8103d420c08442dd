// The simulated board's settings from text, as the drop-in DLL and tests take them.
#pragma once

#include "sim/simulated_board.h"

#include <string_view>

namespace rfprog::sim {

// timer: "" (default 1), "never", or the decimal status read that sees bit 7.
// faults: comma-separated "absent", "unprogrammable", "stuck0=HH", "stuck1=HH".
// Returns false (and leaves the rest applied) when a word is not understood.
bool applySettings(SimulatedBoard& board, std::string_view timer, std::string_view faults);

} // namespace rfprog::sim
