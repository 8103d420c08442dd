#include "cli/operations.h"

#include "cli/platform.h"
#include "cli/report.h"
#include "cli/selftest.h"
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

// Reads the whole block and compares it with expected; false when interrupted.
bool compareWithRom(OperationContext& context, std::span<const std::uint8_t> expected,
                    Text progressText, Compare kind, WholeBlockComparison& comparison) {
    context.progress.begin(progressText, false);
    comparison =
        readAndCompareWholeBlock(context.device, expected, context.options.block.romOffset, kind);
    context.progress.end();
    return !interruptRequested();
}

// Reads the block back and reports it against expected: done, or mismatch and the report.
ExitStatus verifyBlock(OperationContext& context, std::span<const std::uint8_t> expected,
                       Text progressText, Text done, Text mismatch, Text lineText) {
    WholeBlockComparison comparison;
    if (!compareWithRom(context, expected, progressText, Compare::AnyDifference, comparison)) {
        return ExitStatus::Interrupted;
    }
    if (comparison.count == 0) {
        context.console.result(done, {blockLength(context).view(), romAddress(context).view()});
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
    return ExitStatus::Success;
}

ExitStatus writeRomOperation(OperationContext& context) {
    const std::span<const std::uint8_t> file = context.fileBlock;
    if (!context.options.force) {
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
    context.progress.begin(Text::ProgressWrite, true);
    context.device.programRomBlock(file, context.options.block.romOffset);
    context.progress.end();
    if (interruptRequested()) {
        return ExitStatus::Interrupted;
    }
    return verifyBlock(context, file, Text::ProgressVerify, Text::WriteDone, Text::WriteMismatch,
                       Text::DifferenceLine);
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
                       Text::EmulatorMismatch, Text::DifferenceLine);
}

// The board tested through the emulator: per round, the operator switches it to write, a
// pattern is loaded over the whole ROM's addresses, the operator switches it to read, and
// it is read back. No pulse and no programming voltage: the emulator needs neither.
ExitStatus selfTestOperation(OperationContext& context) {
    std::array<SelfTestBlock, SelfTestRounds> readBack{};
    SelfTestBlock loaded{};
    for (std::uint32_t round = 0; round < SelfTestRounds; ++round) {
        fillSelfTestPattern(round, loaded);
        if (!ask(context, Text::AskEmulatorWrite)) {
            return ExitStatus::Interrupted;
        }
        context.progress.begin(Text::ProgressLoad, false);
        context.device.loadEmulatorBlock(loaded, 0);
        context.progress.end();
        if (interruptRequested() || !ask(context, Text::AskEmulatorRead)) {
            return ExitStatus::Interrupted;
        }
        context.progress.begin(Text::ProgressRead, false);
        context.device.readRomBlock(readBack[round], 0);
        context.progress.end();
        if (interruptRequested()) {
            return ExitStatus::Interrupted;
        }
        if (nothingReadsBack(std::span(readBack).first(round + 1))) {
            context.console.result(Text::EmulatorSilent);
            return ExitStatus::Negative;
        }
    }
    const SelfTestDiagnosis diagnosis = diagnoseSelfTest(readBack);
    printSelfTest(context.console, diagnosis);
    return diagnosis.passed() ? ExitStatus::Success : ExitStatus::Negative;
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
                           Text::VerifyMismatch, Text::DifferenceLine);
    case Operation::Blank:
        return blankOperation(context);
    case Operation::Timer:
        return timerOperation(context);
    case Operation::SelfTest:
        return selfTestOperation(context);
    case Operation::None:
        break;
    }
    return ExitStatus::Usage;
}

} // namespace rfprog::cli
