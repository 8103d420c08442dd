// --port sim: the simulated board (sim/board_host.h), its ROM in the sim:ROMFILE file, its
// emulator in RFPROG_SIM_EMULATOR's and its settings from RFPROG_SIM_TIMER and
// RFPROG_SIM_FAULTS. It is opened at once, so that a file it cannot keep is reported
// before any access. One at a time, for the program's run.
#pragma once

#include "cli/port_choice.h"

namespace rfprog::cli {

// As PortBackend::open: a setting not understood gives Usage, a file that cannot be
// kept File, each reported.
ExitStatus openSimulatedPort(const PortChoice& choice, std::string_view portText,
                             const Console& console, ProgrammerPort*& port);
// File, reported, when a file stopped keeping its memory meanwhile.
ExitStatus closeSimulatedPort(const Console& console);

} // namespace rfprog::cli
