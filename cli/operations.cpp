#include "cli/operations.h"

#include "cli/platform.h"
#include "cli/report.h"
#include "cli/selftest.h"
#include "device/pulse_plan.h"
#include "device/read_passes.h"
#include "image/checksums.h"

#include <algorithm>
#include <array>

namespace rfprog::cli {

namespace {

// The passes of a block read, side by side, as static as the image buffers.
std::array<std::array<std::uint8_t, RomSize>, MaxReadPasses> passBuffers;

// Reads the block options.reads times, each pass the core's block read, and leaves in
// romBlock each bit as most passes read it; false when interrupted.
bool readPasses(OperationContext& context, Text progressText, PassAgreement& agreement) {
    const std::uint32_t passes = context.options.reads;
    const std::uint32_t romOffset = context.options.block.romOffset;
    std::array<std::span<const std::uint8_t>, MaxReadPasses> read{};
    context.progress.begin(progressText, false);
    for (std::uint32_t pass = 0; pass < passes && !interruptRequested(); ++pass) {
        context.progress.pass(pass, passes);
        const auto buffer = std::span(passBuffers[pass]).first(context.romBlock.size());
        context.device.readRomBlock(buffer, romOffset);
        read[pass] = buffer;
    }
    context.progress.end();
    if (interruptRequested()) {
        return false;
    }
    agreement = comparePasses(std::span(read).first(passes), romOffset, context.romBlock);
    return true;
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

// The checksums of the block as the ROM holds it, one line with the results.
void printChecksums(const Console& console, std::span<const std::uint8_t> bytes) {
    const ChecksumLine checksums(blockChecksums(bytes));
    Line line;
    line.add(checksums.text()).add('\n');
    console.resultText(line.view());
}

// The bytes of expected that a comparison looks at: those FILE defines.
std::uint32_t comparedBytes(const OperationContext& context,
                            std::span<const std::uint8_t> expected) {
    return static_cast<std::uint32_t>(expected.size()) - context.filePlace.undefined;
}

// Reads the whole block once into romBlock and compares it with expected; false when
// interrupted.
bool compareWithRom(OperationContext& context, std::span<const std::uint8_t> expected,
                    Text progressText, Compare kind, WholeBlockComparison& comparison) {
    context.progress.begin(progressText, false);
    comparison = readAndCompareWholeBlock(context.device, expected, context.options.block.romOffset,
                                          kind, context.fileDefined, context.romBlock);
    context.progress.end();
    return !interruptRequested();
}

// What an operation that ends in a verification says.
struct VerificationTexts {
    Text progress;   // while the block is read back
    Text done;       // the block matches
    Text mismatch;   // it does not, above the report
    Text difference; // a line of the report
    Text operation;  // the operation's name over unstable bytes
    bool checksums;  // the checksums of the block follow done
};

constexpr VerificationTexts WriteRomTexts{Text::ProgressVerify, Text::WriteDone,
                                          Text::WriteMismatch,  Text::DifferenceLine,
                                          Text::ProgressWrite,  true};
constexpr VerificationTexts WriteEmulatorTexts{Text::ProgressVerify,   Text::EmulatorDone,
                                               Text::EmulatorMismatch, Text::DifferenceLine,
                                               Text::ProgressWrite,    true};
constexpr VerificationTexts VerifyTexts{Text::ProgressVerify, Text::VerifyMatch,
                                        Text::VerifyMismatch, Text::DifferenceLine,
                                        Text::ProgressVerify, true};
constexpr VerificationTexts BlankTexts{Text::ProgressBlank, Text::BlankDone,     Text::NotBlank,
                                       Text::NotBlankLine,  Text::ProgressBlank, false};

// Reads the block back and reports it against expected: done (its arguments the length,
// the address and doneMore, then where in FILE) and, when asked, the checksums of the
// bytes read back; or mismatch and the report; when the passes disagree, the unstable
// bytes under the operation's name instead.
ExitStatus verifyBlock(OperationContext& context, std::span<const std::uint8_t> expected,
                       const VerificationTexts& texts,
                       std::array<std::string_view, 2> doneMore = {}) {
    PassAgreement agreement;
    if (!readPasses(context, texts.progress, agreement)) {
        return ExitStatus::Interrupted;
    }
    const auto total = static_cast<std::uint32_t>(expected.size());
    if (agreement.unstable > 0) {
        printUnstable(context.console, agreement, context.options.reads, total, texts.operation);
        return ExitStatus::Negative;
    }
    const WholeBlockComparison comparison =
        compareWholeBlock(expected, context.romBlock, context.options.block.romOffset,
                          Compare::AnyDifference, context.fileDefined);
    if (comparison.count == 0) {
        Line tail;
        appendPlace(context.options, context.filePlace,
                    context.options.operation == Operation::Verify
                        ? Text::ResultUndefinedNotCompared
                        : Text::ResultUndefinedKept,
                    context.console, tail);
        context.console.result(
            texts.done,
            {blockLength(context).view(), romAddress(context).view(), doneMore[0], doneMore[1]},
            tail.view());
        if (texts.checksums) {
            printChecksums(context.console, context.romBlock);
        }
        return ExitStatus::Success;
    }
    context.console.result(texts.mismatch);
    printComparison(context.console, comparison, comparedBytes(context, expected), texts.difference,
                    Compare::AnyDifference);
    return ExitStatus::Negative;
}

// Passes that disagree write nothing, unless an odd number of three or more gives each
// bit a majority: for a failing chip that is the best reading there is.
ExitStatus readOperation(OperationContext& context) {
    PassAgreement agreement;
    if (!readPasses(context, Text::ProgressRead, agreement)) {
        return ExitStatus::Interrupted;
    }
    const Options& options = context.options;
    const bool unstable = agreement.unstable > 0;
    if (unstable) {
        printUnstable(context.console, agreement, options.reads,
                      static_cast<std::uint32_t>(context.romBlock.size()), Text::ProgressRead);
        if (options.reads % 2 == 0) {
            context.console.result(Text::ReadNotWritten);
            return ExitStatus::Negative;
        }
    }
    const ExitStatus stored = storeReadBlock(options, context.fileName, context.romBlock,
                                             context.filePlace, context.console);
    if (stored != ExitStatus::Success) {
        return stored;
    }
    const bool raw = options.format == RecordFormat::Raw;
    const Number fileAddress = Number::hex(context.filePlace.address, raw ? 1 : 4);
    if (unstable) {
        context.console.result(Text::ReadMajorityDone,
                               {blockLength(context).view(), romAddress(context).view(),
                                options.file, fileAddress.view(),
                                Number::decimal(options.reads).view()});
        return ExitStatus::Negative;
    }
    context.console.result(raw ? Text::ReadDone : Text::ReadIntoRecordDone,
                           {blockLength(context).view(), romAddress(context).view(), options.file,
                            fileAddress.view()});
    printChecksums(context.console, context.romBlock);
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
            printComparison(context.console, blocked, comparedBytes(context, file),
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
        context, file, WriteRomTexts,
        {Number::decimal(counts.programmed).view(), Number::decimal(counts.alreadyHeld).view()});
}

// The emulator is memory: anything can be loaded over anything, so there is no pre-check.
// The bytes a record file leaves out are loaded as the emulator holds them, read first.
ExitStatus writeEmulatorOperation(OperationContext& context) {
    if (context.filePlace.undefined > 0) {
        context.progress.begin(Text::ProgressRead, false);
        context.device.readRomBlock(context.romBlock, context.options.block.romOffset);
        context.progress.end();
        if (interruptRequested()) {
            return ExitStatus::Interrupted;
        }
        for (std::size_t i = 0; i < context.fileBlock.size(); ++i) {
            if (!context.fileDefined[i]) {
                context.fileBlock[i] = context.romBlock[i];
            }
        }
    }
    if (!ask(context, Text::AskEmulatorWrite)) {
        return ExitStatus::Interrupted;
    }
    context.progress.begin(Text::ProgressLoad, false);
    context.device.loadEmulatorBlock(context.fileBlock, context.options.block.romOffset);
    context.progress.end();
    if (interruptRequested() || !ask(context, Text::AskEmulatorRead)) {
        return ExitStatus::Interrupted;
    }
    return verifyBlock(context, context.fileBlock, WriteEmulatorTexts);
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
    return verifyBlock(context, context.fileBlock, BlankTexts);
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
        return verifyBlock(context, context.fileBlock, VerifyTexts);
    case Operation::Blank:
        return blankOperation(context);
    case Operation::Timer:
        return timerOperation(context);
    case Operation::SelfTest:
        return selfTestOperation(context);
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
