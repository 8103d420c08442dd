#include "cli/operations.h"

#include "cli/platform.h"
#include "cli/report.h"
#include "device/pulse_plan.h"
#include "image/checksums.h"
#include "image/image_file.h"

#include <algorithm>
#include <array>

namespace rfprog::cli {

namespace {

// Reads the block into romBlock; false when interrupted.
bool readBlock(OperationContext& context, Text progressText) {
    context.progress.begin(progressText, false);
    context.device.readRomBlock(context.romBlock, context.options.block.romOffset);
    context.progress.end();
    return !interruptRequested();
}

// A question that needs the operator's hands; false when the operator stopped.
bool ask(OperationContext& context, Text question) {
    // The trace shows the port as it is while the operator acts, from the moment the
    // question shows.
    context.trace.flush();
    context.console.note(question);
    if (context.options.yes) {
        context.console.note(Text::AnsweredByYes);
        return !interruptRequested();
    }
    return waitForLine() == LineResult::Line && !interruptRequested();
}

Number blockLength(const OperationContext& context) {
    return Number::decimal(static_cast<std::uint32_t>(context.romBlock.size()));
}

Number romAddress(const OperationContext& context) {
    return Number::hex(context.options.block.romOffset, 3);
}

// The checksums of the block as the ROM holds it, one line on standard output.
void printChecksums(std::span<const std::uint8_t> bytes) {
    const ChecksumLine checksums(blockChecksums(bytes));
    Line line;
    line.add(checksums.text()).add('\n');
    writeText(Stream::Out, line.view());
}

// Reads the whole block into romBlock and compares it with expected; false when
// interrupted.
bool compareWithRom(OperationContext& context, std::span<const std::uint8_t> expected,
                    Text progressText, Compare kind, WholeBlockComparison& comparison) {
    context.progress.begin(progressText, false);
    comparison = readAndCompareWholeBlock(context.device, expected, context.options.block.romOffset,
                                          kind, context.romBlock);
    context.progress.end();
    return !interruptRequested();
}

// Reads the block back and reports it against expected: done (its arguments the length,
// the address and doneMore) and, when asked, the checksums of the bytes read back; or
// mismatch and the report.
ExitStatus verifyBlock(OperationContext& context, std::span<const std::uint8_t> expected,
                       Text progressText, Text done, Text mismatch, Text lineText,
                       bool checksums = false, std::array<std::string_view, 2> doneMore = {}) {
    WholeBlockComparison comparison;
    if (!compareWithRom(context, expected, progressText, Compare::AnyDifference, comparison)) {
        return ExitStatus::Interrupted;
    }
    if (comparison.count == 0) {
        context.console.result(done, {blockLength(context).view(), romAddress(context).view(),
                                      doneMore[0], doneMore[1]});
        if (checksums) {
            printChecksums(context.romBlock);
        }
        return ExitStatus::Success;
    }
    context.console.result(mismatch);
    printComparison(context.console, comparison, static_cast<std::uint32_t>(expected.size()),
                    lineText, Compare::AnyDifference);
    return ExitStatus::Negative;
}

ExitStatus readOperation(OperationContext& context) {
    if (!readBlock(context, Text::ProgressRead)) {
        return ExitStatus::Interrupted;
    }
    const Options& options = context.options;
    if (writeImageBlock(context.fileName, context.romBlock, options.block.fileOffset) !=
        ImageTransferred) {
        context.console.error(Text::FileCannotWrite, {options.file});
        return ExitStatus::File;
    }
    context.console.result(Text::ReadDone,
                           {blockLength(context).view(), romAddress(context).view(), options.file,
                            Number::hex(options.block.fileOffset, 1).view()});
    printChecksums(context.romBlock);
    return ExitStatus::Success;
}

ExitStatus writeRomOperation(OperationContext& context) {
    const Options& options = context.options;
    const std::span<const std::uint8_t> file = context.fileBlock;
    if (!options.force) {
        // One ordinary block read: a UV EPROM can only clear bits, so a 1 in the file over
        // a 0 in the ROM cannot be programmed.
        WholeBlockComparison blocked;
        if (!compareWithRom(context, file, Text::ProgressCheck, Compare::NeedsErasing, blocked)) {
            return ExitStatus::Interrupted;
        }
        if (blocked.count > 0) {
            context.console.result(Text::NotProgrammable);
            printComparison(context.console, blocked, static_cast<std::uint32_t>(file.size()),
                            Text::DifferenceLine, Compare::NeedsErasing);
            return ExitStatus::Negative;
        }
    }
    // The pre-check has read what the ROM holds; without it, only an FFh is known to gain
    // nothing from a pulse.
    const PulseRule rule = options.everyByte ? PulseRule::EveryByte
                           : options.force   ? PulseRule::NotErased
                                             : PulseRule::Changed;
    std::array<bool, RomSize> pulseBuffer{};
    const std::span<bool> pulse = std::span(pulseBuffer).first(file.size());
    const PulseCounts counts = planPulses(rule, file, context.romBlock, context.fileDefined, pulse);
    // With nothing to pulse the voltage stays off, and the write is its verification.
    if (counts.programmed > 0) {
        context.progress.begin(Text::ProgressWrite, true);
        context.device.programSelectedBytes(file, pulse, options.block.romOffset);
        context.progress.end();
        if (interruptRequested()) {
            return ExitStatus::Interrupted;
        }
    }
    return verifyBlock(
        context, file, Text::ProgressVerify, Text::WriteDone, Text::WriteMismatch,
        Text::DifferenceLine, true,
        {Number::decimal(counts.programmed).view(), Number::decimal(counts.alreadyHeld).view()});
}

// The emulator is memory: anything can be loaded over anything, so there is no pre-check.
ExitStatus writeEmulatorOperation(OperationContext& context) {
    if (!ask(context, Text::AskEmulatorWrite)) {
        return ExitStatus::Interrupted;
    }
    context.progress.begin(Text::ProgressLoad, false);
    context.device.loadEmulatorBlock(context.fileBlock, context.options.block.romOffset);
    context.progress.end();
    if (interruptRequested() || !ask(context, Text::AskEmulatorRead)) {
        return ExitStatus::Interrupted;
    }
    return verifyBlock(context, context.fileBlock, Text::ProgressVerify, Text::EmulatorDone,
                       Text::EmulatorMismatch, Text::DifferenceLine, true);
}

ExitStatus blankOperation(OperationContext& context) {
    std::fill(context.fileBlock.begin(), context.fileBlock.end(), ErasedByte);
    return verifyBlock(context, context.fileBlock, Text::ProgressBlank, Text::BlankDone,
                       Text::NotBlank, Text::NotBlankLine);
}

ExitStatus timerOperation(OperationContext& context) {
    if (!ask(context, Text::AskRemoveChip)) {
        return ExitStatus::Interrupted;
    }
    RomDevice& device = context.device;
    const bool answered = device.testPulseTimer() != 0;
    if (!answered || !context.options.hold) {
        device.switchOff();
    }
    if (interruptRequested()) {
        return ExitStatus::Interrupted;
    }
    if (!answered) {
        context.console.result(Text::TimerSilent);
        return ExitStatus::Negative;
    }
    context.console.result(Text::TimerAnswered);
    if (!context.options.hold) {
        return ExitStatus::Success;
    }
    device.holdProgrammingVoltage();
    context.trace.flush();
    context.console.note(Text::HoldVoltage);
    // A line or the end of input switches off; so does a signal, reported as such.
    const LineResult line = waitForLine();
    device.switchOff();
    return line == LineResult::Interrupted || interruptRequested() ? ExitStatus::Interrupted
                                                                   : ExitStatus::Success;
}

} // namespace

ExitStatus runOperation(OperationContext& context) {
    switch (context.options.operation) {
    case Operation::Read:
        return readOperation(context);
    case Operation::Write:
        return context.options.emulator ? writeEmulatorOperation(context)
                                        : writeRomOperation(context);
    case Operation::Verify:
        return verifyBlock(context, context.fileBlock, Text::ProgressVerify, Text::VerifyMatch,
                           Text::VerifyMismatch, Text::DifferenceLine, true);
    case Operation::Blank:
        return blankOperation(context);
    case Operation::Timer:
        return timerOperation(context);
    case Operation::Idle:
        // Opening the port has set the board idle already; this is the operation's own
        // write, for a board left with the voltage on (by the kernel's probe at boot).
        context.device.switchOff();
        context.console.result(Text::IdleDone);
        return ExitStatus::Success;
    case Operation::None:
        break;
    }
    return ExitStatus::Usage;
}

} // namespace rfprog::cli
