// --port sim: the simulated board (sim/board_host.h), its ROM in the sim:ROMFILE file, its
// emulator in RFPROG_SIM_EMULATOR's and its settings from RFPROG_SIM_TIMER and
// RFPROG_SIM_FAULTS. It is opened at once, so that a file it cannot keep is reported
// before any access. One at a time, for the program's run; on every system.
//
// Its open gives no PortOpenError: a setting not understood is a Usage error, a file that
// cannot be kept a File error, each reported.
#include "cli/platform.h"
#include "cli/ports/port_backend.h"
#include "sim/board_host.h"
#include "sim/sim_settings.h"

#include <array>

namespace rfprog::cli {

namespace {

sim::BoardHost Board;
FileName RomFile{};
FileName EmulatorFile{};
std::array<char, 1024> EmulatorVariable{};
std::string_view RomFileText;
std::string_view EmulatorFileText;

// One variable of the simulated board's settings; false (reported) when malformed.
bool applySetting(const sim::BoardSetting& setting, const Console& console) {
    std::array<char, 256> buffer{};
    const std::string_view value = environmentValue(setting.variable, buffer);
    if (setting.apply(Board.board, value)) {
        return true;
    }
    console.error(Text::BadSimSetting, {setting.variable, value});
    return false;
}

// Success, or File once the file has been named as typed.
ExitStatus reportFile(sim::SimFile failed, const Console& console) {
    if (failed == sim::SimFile::None) {
        return ExitStatus::Success;
    }
    console.error(Text::SimFileCannotWrite,
                  {failed == sim::SimFile::Rom ? RomFileText : EmulatorFileText});
    return ExitStatus::File;
}

constexpr std::string_view SimulatedName = "sim";
constexpr std::string_view SimulatedFilePrefix = "sim:";

std::optional<PortParse> parseSimulated(std::string_view text, PortChoice& choice) {
    if (text == SimulatedName) {
        return PortParse::Parsed;
    }
    if (!text.starts_with(SimulatedFilePrefix)) {
        return std::nullopt;
    }
    choice.path = text;
    choice.path.remove_prefix(SimulatedFilePrefix.size());
    return choice.path.empty() ? PortParse::NamesNothing : PortParse::Parsed;
}

ExitStatus openSimulatedPort(const PortChoice& choice, std::string_view, const Console& console,
                             ProgrammerPort*& port) {
    for (const sim::BoardSetting& setting : sim::BoardSettings) {
        if (!applySetting(setting, console)) {
            return ExitStatus::Usage;
        }
    }
    RomFileText = choice.path;
    EmulatorFileText = environmentValue(sim::EmulatorVariable, EmulatorVariable);
    const bool romNamed = !RomFileText.empty();
    const bool emulatorNamed = !EmulatorFileText.empty();
    if (romNamed && !toFileName(RomFileText, RomFile)) {
        return reportFile(sim::SimFile::Rom, console);
    }
    if (emulatorNamed && !toFileName(EmulatorFileText, EmulatorFile)) {
        return reportFile(sim::SimFile::Emulator, console);
    }
    Board.setUp(romNamed ? RomFile.data() : nullptr, emulatorNamed ? EmulatorFile.data() : nullptr,
                nullptr);
    const ExitStatus status = reportFile(Board.open(), console);
    if (status == ExitStatus::Success) {
        port = &Board;
    }
    return status;
}

// File, reported, when a file stopped keeping its memory meanwhile.
ExitStatus closeSimulatedPort(const Console& console) {
    return reportFile(Board.lostFile(), console);
}

} // namespace

const PortBackend SimulatedBoardBackend = {parseSimulated, openSimulatedPort, closeSimulatedPort,
                                           PortBackend::TraceAt::Lpt1, false};

} // namespace rfprog::cli
