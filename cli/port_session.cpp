#include "cli/port_session.h"

#include "cli/platform.h"
#include "sim/sim_settings.h"

namespace rfprog::cli {

namespace {

// One variable of the simulated board's settings; false (reported) when malformed.
bool applySetting(sim::SimulatedBoard& board, const char* variable,
                  bool (*apply)(sim::SimulatedBoard&, std::string_view), const Console& console) {
    std::array<char, 256> buffer{};
    const std::string_view value = environmentValue(variable, buffer);
    if (apply(board, value)) {
        return true;
    }
    console.error(Text::BadSimSetting, {variable, value});
    return false;
}

} // namespace

ExitStatus PortSession::openSimulated(const PortChoice& choice, const Console& console) {
    sim::SimulatedBoard& board = simulated_.board;
    if (!applySetting(board, sim::TimerVariable, sim::applyTimerSetting, console) ||
        !applySetting(board, sim::FaultsVariable, sim::applyFaultsSetting, console)) {
        return ExitStatus::Usage;
    }
    romFileText_ = choice.path;
    emulatorFileText_ = environmentValue(sim::EmulatorVariable, emulatorVariable_);
    const bool romNamed = !romFileText_.empty();
    const bool emulatorNamed = !emulatorFileText_.empty();
    if (romNamed && !toFileName(romFileText_, romFile_)) {
        console.error(Text::SimFileCannotWrite, {romFileText_});
        return ExitStatus::File;
    }
    if (emulatorNamed && !toFileName(emulatorFileText_, emulatorFile_)) {
        console.error(Text::SimFileCannotWrite, {emulatorFileText_});
        return ExitStatus::File;
    }
    if (!simulated_.open(romNamed ? romFile_.data() : nullptr,
                         emulatorNamed ? emulatorFile_.data() : nullptr)) {
        console.error(Text::SimFileCannotWrite, {lostFileText()});
        return ExitStatus::File;
    }
    port_ = &simulated_;
    return ExitStatus::Success;
}

ExitStatus PortSession::open(const PortChoice& choice, std::string_view portText,
                             const Console& console, TraceSink* trace) {
    if (choice.kind == PortKind::Simulated) {
        const ExitStatus status = openSimulated(choice, console);
        if (status != ExitStatus::Success) {
            return status;
        }
    } else {
        const PortOpenError error = openHardwarePort(choice, port_);
        if (error != PortOpenError::None) {
            Line sentence;
            sentence.format(console.text(portErrorText(error)), {portLibraryName()});
            console.error(Text::PortError, {portText, sentence.view()});
            return ExitStatus::Port;
        }
        hardware_ = true;
    }
    ProgrammerPort* port = port_;
    if (trace != nullptr) {
        port = &tracing_.emplace(*port_, choice.traceBase(), *trace);
    }
    device_.emplace(*port);
    device_->switchOff(); // idle before anything else: programming voltage off
    return ExitStatus::Success;
}

ExitStatus PortSession::close(const Console& console) {
    if (!device_) {
        return ExitStatus::Success;
    }
    device_->switchOff();
    device_.reset();
    tracing_.reset();
    if (hardware_) {
        closeHardwarePort();
        hardware_ = false;
        return ExitStatus::Success;
    }
    if (!simulated_.filesKept()) {
        console.error(Text::SimFileCannotWrite, {lostFileText()});
        return ExitStatus::File;
    }
    return ExitStatus::Success;
}

} // namespace rfprog::cli
