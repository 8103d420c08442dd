#include "cli/cli.h"

#include "cli/operations.h"
#include "cli/options.h"
#include "cli/platform.h"
#include "cli/port_session.h"
#include "cli/ports/port_backend.h"
#include "cli/usage.h"

#include <array>

namespace rfprog::cli {

namespace {

int exitCode(ExitStatus status) {
    return static_cast<int>(status);
}

// Everything from the open port to its close; the port is set idle on every path.
ExitStatus runOnPort(const Options& options, const Console& console, const FileNameChar* fileName,
                     std::span<std::uint8_t> fileBlock, std::span<const bool> fileDefined,
                     const FilePlace& filePlace, TraceFile& trace) {
    PortSession session;
    ExitStatus status = session.open(options.portChoice, options.port, console,
                                     options.trace.empty() ? nullptr : &trace);
    if (status != ExitStatus::Success) {
        return status;
    }
    std::array<std::uint8_t, RomSize> romBuffer{};
    Progress progress(console, !options.quiet && isTerminal(Stream::Err));
    session.device().setObserver(&progress);
    OperationContext context{
        options,  console,   session.device(), progress,
        trace,    fileBlock, fileDefined,      std::span(romBuffer).first(options.block.length),
        fileName, filePlace};
    if (!interruptRequested()) {
        status = runOperation(context);
    }
    const ExitStatus closed = session.close(console);
    return status == ExitStatus::Success ? closed : status;
}

} // namespace

int runCli(std::span<char* const> arguments) {
    installInterruptHandlers();
    const Console console(userLanguage());
    Options options;
    UsageError usage;
    const bool tooMany = arguments.size() > MaxArguments + 1;
    if (tooMany) {
        usage = {Text::ExtraArgument, {arguments[MaxArguments + 1]}};
    }
    if (tooMany || !parseOptions(arguments, defaultPortName(), options, usage)) {
        console.error(usage.text, {usage.arguments[0], usage.arguments[1], usage.arguments[2]});
        console.note(Text::HelpHint);
        return exitCode(ExitStatus::Usage);
    }
    if (options.help) {
        writeText(Stream::Out, HelpText.in(console.language()));
        return exitCode(ExitStatus::Success);
    }
    if (options.version) {
        console.result(Text::Version, {RFPROG_VERSION_TEXT});
        return exitCode(ExitStatus::Success);
    }
    if (options.questionsAsked() && !options.yes && !isTerminal(Stream::In)) {
        console.error(Text::NeedTerminal, {options.operationName});
        return exitCode(ExitStatus::Usage);
    }

    FileName fileName{};
    const bool named = !options.file.empty() && toFileName(options.file, fileName);
    std::array<std::uint8_t, RomSize> fileBuffer{};
    const auto fileBlock = std::span(fileBuffer).first(options.block.length);
    std::array<bool, RomSize> definedBuffer{};
    std::span<const bool> fileDefined;
    FilePlace filePlace;
    if (options.operation == Operation::Write || options.operation == Operation::Verify) {
        const ExitStatus loaded = loadBlockFromFile(options, named ? fileName.data() : nullptr,
                                                    fileBlock, definedBuffer, console, filePlace);
        if (loaded != ExitStatus::Success) {
            return exitCode(loaded);
        }
        if (options.format != RecordFormat::Raw) {
            fileDefined = std::span(definedBuffer).first(options.block.length);
        }
    } else if (options.operation == Operation::Read && !named) {
        console.error(Text::FileCannotWrite, {options.file});
        return exitCode(ExitStatus::File);
    } else if (options.operation == Operation::Read) {
        const ExitStatus prepared = prepareReadIntoFile(options, console, filePlace);
        if (prepared != ExitStatus::Success) {
            return exitCode(prepared);
        }
    }

    TraceFile trace;
    if (!options.trace.empty() && !trace.open(options.trace)) {
        console.error(Text::TraceCannotWrite, {options.trace});
        return exitCode(ExitStatus::File);
    }
    ExitStatus status = interruptRequested() ? ExitStatus::Interrupted
                                             : runOnPort(options, console, fileName.data(),
                                                         fileBlock, fileDefined, filePlace, trace);
    if (!trace.close() && status == ExitStatus::Success) {
        console.error(Text::TraceCannotWrite, {options.trace});
        status = ExitStatus::File;
    }
    // Without a signal, an operation ends as interrupted only where the operator said no
    // to a question or closed the input.
    if (status == ExitStatus::Interrupted || interruptRequested()) {
        console.error(interruptRequested() ? Text::Interrupted : Text::StoppedByOperator);
        return exitCode(ExitStatus::Interrupted);
    }
    return exitCode(status);
}

} // namespace rfprog::cli
