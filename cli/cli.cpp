#include "cli/cli.h"

#include "cli/cell_map.h"
#include "cli/json_result.h"
#include "cli/operations.h"
#include "cli/options.h"
#include "cli/platform.h"
#include "cli/port_session.h"
#include "cli/ports/port_backend.h"
#include "cli/usage.h"
#include "sim/sim_settings.h"

#include <array>
#include <utility>

namespace rfprog::cli {

namespace {

int exitCode(ExitStatus status) {
    return static_cast<int>(status);
}

class ResultOutput final : public TextSink {
  public:
    explicit ResultOutput(Stream stream) : stream_(stream) {}
    bool put(std::string_view text) override {
        writeText(stream_, text);
        return true;
    }

  private:
    Stream stream_;
};

class FileOutput final : public TextSink {
  public:
    explicit FileOutput(OutputFile& file) : file_(file) {}
    bool put(std::string_view text) override { return file_.write(text); }

  private:
    OutputFile& file_;
};

// The block's picture after the operation's result, on standard output and into the SVG
// file; a file that cannot be written turns the status into File.
ExitStatus showMap(const Options& options, const Console& console, const CellMap& map,
                   ExitStatus status) {
    if (map.length == 0 || (status != ExitStatus::Success && status != ExitStatus::Negative)) {
        return status;
    }
    if (options.map) {
        ResultOutput out(console.results());
        drawCellMap(map, colourTerminal(console.results()), console.language(), out);
    }
    if (!options.mapSvg.empty()) {
        OutputFile file;
        FileOutput out(file);
        const bool written =
            file.create(options.mapSvg) && drawCellMapSvg(map, console.language(), out);
        if (!file.close() || !written) {
            console.error(Text::FileCannotWrite, {options.mapSvg});
            return ExitStatus::File;
        }
    }
    return status;
}

// Everything from the open port to its close; the port is set idle on every path.
ExitStatus runOnPort(const Options& options, const Console& console, const FileNameChar* fileName,
                     std::span<std::uint8_t> fileBlock, std::span<const bool> fileDefined,
                     const FilePlace& filePlace, TraceFile& trace, CellMap* map) {
    PortSession session;
    ExitStatus status = session.open(options.portChoice, options.port, console,
                                     options.trace.empty() ? nullptr : &trace);
    if (status != ExitStatus::Success) {
        return status;
    }
    std::array<std::uint8_t, RomSize> romBuffer{};
    Progress progress(console, !options.quiet && isTerminal(Stream::Err));
    session.device().setObserver(&progress);
    OperationContext context{options,
                             console,
                             session.device(),
                             progress,
                             trace,
                             fileBlock,
                             fileDefined,
                             std::span(romBuffer).first(options.block.length),
                             fileName,
                             filePlace,
                             map};
    if (!interruptRequested()) {
        status = runOperation(context);
    }
    const ExitStatus closed = session.close(console);
    return status == ExitStatus::Success ? closed : status;
}

// The files the outputs may not be: the trace and the SVG map are created before the run
// and would overwrite FILE, the simulated board's ROM file or its emulator file; the map
// may not be the trace either.
bool outputNamesAnotherFile(const Options& options, const Console& console) {
    std::array<char, 1024> emulatorBuffer{};
    const bool simulated = options.portChoice.backend == &SimulatedBoardBackend;
    const std::array<std::pair<std::string_view, std::string_view>, 4> used = {{
        {options.operationName, options.file},
        {"--port", options.portChoice.path},
        {sim::EmulatorVariable,
         simulated ? environmentValue(sim::EmulatorVariable, emulatorBuffer) : std::string_view()},
        {"--trace", options.trace},
    }};
    for (const auto& [option, name] : used) {
        if (name.empty() || name == StandardStreamName) {
            continue;
        }
        if (!options.trace.empty() && option != "--trace" && sameFile(options.trace, name)) {
            console.error(Text::TraceIsAnotherFile, {options.trace, name});
            return true;
        }
        if (!options.mapSvg.empty() && sameFile(options.mapSvg, name)) {
            console.error(Text::SameFileTwice, {"--map-svg", options.mapSvg, option});
            return true;
        }
    }
    return false;
}

// The status the program ends with: an interruption is said as such; a result that did
// not reach standard output or standard error is a failure, whatever the operation found.
int finish(ExitStatus status, const Console& console) {
    // Without a signal, an operation ends as interrupted only where the operator said no
    // to a question or closed the input.
    if (status == ExitStatus::Interrupted || interruptRequested()) {
        console.error(interruptRequested() ? Text::Interrupted : Text::StoppedByOperator);
        return exitCode(ExitStatus::Interrupted);
    }
    if (console.outputFailed()) {
        console.error(Text::ResultsNotWritten);
    }
    return console.outputFailed() || console.errorFailed() ? exitCode(ExitStatus::File)
                                                           : exitCode(status);
}

// The run but its JSON object: the exit status.
int runCommand(std::span<char* const> arguments, Console& console) {
    Options options;
    UsageError usage;
    const bool tooMany = arguments.size() > MaxArguments + 1;
    if (tooMany) {
        usage = {Text::ExtraArgument, {arguments[MaxArguments + 1]}};
    }
    if (tooMany || !parseOptions(arguments, defaultPortName(), options, usage)) {
        console.json()->operation(options.operation != Operation::None ? options.operationName
                                                                       : std::string_view());
        console.error(usage.text, {usage.arguments[0], usage.arguments[1], usage.arguments[2]});
        console.note(Text::HelpHint);
        return finish(ExitStatus::Usage, console);
    }
    if (options.help) {
        return writeText(console.results(), HelpText.in(console.language()))
                   ? exitCode(ExitStatus::Success)
                   : exitCode(ExitStatus::File);
    }
    if (options.version) {
        console.result(Text::Version, {RFPROG_VERSION_TEXT});
        return finish(ExitStatus::Success, console);
    }
    console.json()->commandLine(options);
    if (options.questionsAsked() && !options.yes && !isTerminal(Stream::In)) {
        console.error(Text::NeedTerminal, {options.operationName});
        return finish(ExitStatus::Usage, console);
    }
    if (outputNamesAnotherFile(options, console)) {
        return finish(ExitStatus::Usage, console);
    }
    // The image on standard output stays clean: the results go beside the questions.
    if (options.operation == Operation::Read && isStandardOutput(options.file)) {
        if (options.json) {
            console.error(Text::JsonWithImageOnOutput, {options.file});
            return finish(ExitStatus::Usage, console);
        }
        console.resultsToError();
    }

    FileName fileName{};
    const bool named = !options.file.empty() && toFileName(options.file, fileName);
    std::array<std::uint8_t, RomSize> fileBuffer{};
    const auto fileBlock = std::span(fileBuffer).first(options.block.length);
    std::array<bool, RomSize> definedBuffer{};
    std::span<const bool> fileDefined;
    FilePlace filePlace;
    if (options.operation == Operation::Write || options.operation == Operation::Verify) {
        const ExitStatus loaded =
            loadBlockFromFile(options, fileBlock, definedBuffer, console, filePlace);
        if (loaded != ExitStatus::Success) {
            return finish(loaded, console);
        }
        if (options.format != RecordFormat::Raw) {
            fileDefined = std::span(definedBuffer).first(options.block.length);
        }
    } else if (options.operation == Operation::Read && !named) {
        console.error(Text::FileCannotWrite, {options.file});
        return finish(ExitStatus::File, console);
    } else if (options.operation == Operation::Read) {
        const ExitStatus prepared = prepareReadIntoFile(options, console, filePlace);
        if (prepared != ExitStatus::Success) {
            return finish(prepared, console);
        }
    }

    TraceFile trace;
    if (!options.trace.empty() && !trace.open(options.trace)) {
        console.error(Text::TraceCannotWrite, {options.trace});
        return finish(ExitStatus::File, console);
    }
    CellMap map;
    ExitStatus status = interruptRequested()
                            ? ExitStatus::Interrupted
                            : runOnPort(options, console, fileName.data(), fileBlock, fileDefined,
                                        filePlace, trace, options.mapped() ? &map : nullptr);
    if (!trace.close() && status == ExitStatus::Success) {
        console.error(Text::TraceCannotWrite, {options.trace});
        status = ExitStatus::File;
    }
    if (!interruptRequested()) {
        status = showMap(options, console, map, status);
    }
    return finish(status, console);
}

} // namespace

int runCli(std::span<char* const> arguments) {
    installInterruptHandlers();
    JsonResult json(jsonAsked(arguments));
    Console console(userLanguage(), &json);
    const auto status = static_cast<ExitStatus>(runCommand(arguments, console));
    const ExitStatus finished = json.finish(status);
    if (finished != status) {
        console.error(Text::JsonCannotWrite);
    }
    return exitCode(finished);
}

} // namespace rfprog::cli
