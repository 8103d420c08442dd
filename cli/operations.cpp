#include "cli/operations.h"

#include "cli/json_result.h"
#include "cli/platform.h"
#include "cli/report.h"
#include "cli/selftest.h"
#include "device/pulse_plan.h"
#include "device/read_passes.h"
#include "image/checksums.h"

#include <algorithm>
#include <array>
#include <optional>
#include <string_view>

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
    if (JsonResult* json = context.console.json()) {
        json->passes(agreement, passes);
    }
    return true;
}

enum class Answer { GoAhead, Stop, Unclear };

// The answer a line gives: blanks around it and the case of Latin and Cyrillic letters
// do not count.
Answer answerOf(std::string_view line) {
    constexpr std::string_view Blanks = " \t\r";
    const std::size_t first = line.find_first_not_of(Blanks);
    if (first == std::string_view::npos) {
        return Answer::GoAhead; // Enter alone
    }
    // Cut in place: substr would bring in the exception runtime.
    line.remove_suffix(line.size() - 1 - line.find_last_not_of(Blanks));
    line.remove_prefix(first);
    std::array<char, 16> lower{};
    if (line.size() > lower.size()) {
        return Answer::Unclear;
    }
    for (std::size_t i = 0; i < line.size(); ++i) {
        const auto c = static_cast<unsigned char>(line[i]);
        const auto next = i + 1 < line.size() ? static_cast<unsigned char>(line[i + 1]) : 0;
        lower[i] = c >= 'A' && c <= 'Z' ? static_cast<char>(c + 'a' - 'A') : line[i];
        // Upper-case Cyrillic in UTF-8: А..П are D0 90..9F (а..п: D0 B0..BF), Р..Я are
        // D0 A0..AF (р..я: D1 80..8F).
        if (c == 0xD0 && next >= 0x90 && next <= 0xAF) {
            lower[i] = static_cast<char>(next <= 0x9F ? 0xD0 : 0xD1);
            lower[i + 1] = static_cast<char>(next <= 0x9F ? next + 0x20 : next - 0x20);
            ++i;
        }
    }
    const std::string_view word(lower.data(), line.size());
    for (const std::string_view yes : {"y", "yes", "д", "да"}) {
        if (word == yes) {
            return Answer::GoAhead;
        }
    }
    for (const std::string_view no : {"n", "no", "н", "нет"}) {
        if (word == no) {
            return Answer::Stop;
        }
    }
    return Answer::Unclear;
}

// The picture of the passes readPasses has made, against expected (empty for a read).
void mapPasses(OperationContext& context, std::span<const std::uint8_t> expected) {
    if (context.map == nullptr) {
        return;
    }
    std::array<std::span<const std::uint8_t>, MaxReadPasses> read{};
    for (std::uint32_t pass = 0; pass < context.options.reads; ++pass) {
        read[pass] = std::span(passBuffers[pass]).first(context.romBlock.size());
    }
    mapCells(*context.map, expected, std::span(read).first(context.options.reads), context.romBlock,
             context.fileDefined, context.options.block.romOffset);
}

// A question that needs the operator's hands, asked until the answer is clear; false
// when the operator stopped (no, the end of input or a signal), before the port is
// touched again.
bool ask(OperationContext& context, Text question) {
    // The trace shows the port as it is while the operator acts, from the moment the
    // question shows.
    context.trace.flush();
    context.console.note(question);
    if (context.options.yes) {
        context.console.note(Text::AnsweredByYes);
        return !interruptRequested();
    }
    for (;;) {
        std::array<char, 64> buffer{};
        std::size_t length = 0;
        const LineResult line = waitForLine(buffer, length);
        if (interruptRequested() || line == LineResult::End || line == LineResult::Interrupted) {
            return false;
        }
        const Answer answer = line == LineResult::TooLong
                                  ? Answer::Unclear
                                  : answerOf(std::string_view(buffer.data(), length));
        if (answer != Answer::Unclear) {
            return answer == Answer::GoAhead;
        }
        context.console.note(Text::AskAgain);
        context.console.note(question);
    }
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
    if (JsonResult* json = console.json()) {
        json->checksums(checksums);
    }
}

// The comparison a report (or a match) is made of, for the JSON object.
void keepComparison(const OperationContext& context, const WholeBlockComparison& comparison,
                    std::uint32_t compared) {
    if (JsonResult* json = context.console.json()) {
        json->comparison(comparison, compared);
    }
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
    // What a block that reads FF throughout means after this operation, when it says more
    // than that the chip is erased or missing.
    std::optional<Text> allErased;
};

constexpr VerificationTexts WriteRomTexts{Text::ProgressVerify,    Text::WriteDone,
                                          Text::WriteMismatch,     Text::DifferenceLine,
                                          Text::ProgressWrite,     true,
                                          Text::UniformNothingTook};
constexpr VerificationTexts WriteEmulatorTexts{Text::ProgressVerify,       Text::EmulatorDone,
                                               Text::EmulatorMismatch,     Text::DifferenceLine,
                                               Text::ProgressWrite,        true,
                                               Text::UniformEmulatorSilent};
constexpr VerificationTexts VerifyTexts{Text::ProgressVerify, Text::VerifyMatch,
                                        Text::VerifyMismatch, Text::DifferenceLine,
                                        Text::ProgressVerify, true,
                                        std::nullopt};
constexpr VerificationTexts BlankTexts{Text::ProgressBlank, Text::BlankDone,     Text::NotBlank,
                                       Text::NotBlankLine,  Text::ProgressBlank, false,
                                       std::nullopt};

// Reads the block back and reports it against expected: done (its arguments the count of
// bytes compared, the address and doneMore, then where in FILE) and, when asked, the
// checksums of the bytes read back; or mismatch and the report; when the passes disagree,
// the unstable bytes under the operation's name instead.
ExitStatus verifyBlock(OperationContext& context, std::span<const std::uint8_t> expected,
                       const VerificationTexts& texts,
                       std::array<std::string_view, 2> doneMore = {}) {
    PassAgreement agreement;
    if (!readPasses(context, texts.progress, agreement)) {
        return ExitStatus::Interrupted;
    }
    mapPasses(context, expected);
    const auto total = static_cast<std::uint32_t>(expected.size());
    if (agreement.unstable > 0) {
        printUnstable(context.console, agreement, context.options.reads, total, texts.operation);
        return ExitStatus::Negative;
    }
    const WholeBlockComparison comparison =
        compareWholeBlock(expected, context.romBlock, context.options.block.romOffset,
                          Compare::AnyDifference, context.fileDefined);
    keepComparison(context, comparison, comparedBytes(context, expected));
    if (comparison.count == 0) {
        Line tail;
        appendPlace(context.options, context.filePlace,
                    context.options.operation == Operation::Verify
                        ? Text::ResultUndefinedNotCompared
                        : Text::ResultUndefinedKept,
                    context.console, tail);
        context.console.result(texts.done,
                               {Number::decimal(comparedBytes(context, expected)).view(),
                                romAddress(context).view(), doneMore[0], doneMore[1]},
                               tail.view());
        if (texts.checksums) {
            printChecksums(context.console, context.romBlock);
        }
        return ExitStatus::Success;
    }
    context.console.result(texts.mismatch);
    printComparison(context.console, comparison, comparedBytes(context, expected), texts.difference,
                    Compare::AnyDifference, texts.allErased);
    return ExitStatus::Negative;
}

// Passes that disagree write nothing, unless an odd number of three or more gives each
// bit a majority: for a failing chip that is the best reading there is.
ExitStatus readOperation(OperationContext& context) {
    PassAgreement agreement;
    if (!readPasses(context, Text::ProgressRead, agreement)) {
        return ExitStatus::Interrupted;
    }
    mapPasses(context, {});
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
            keepComparison(context, blocked, comparedBytes(context, file));
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
    if (JsonResult* json = context.console.json()) {
        json->pulses(counts);
    }
    // With nothing to pulse the voltage stays off, and the write is its verification.
    if (counts.programmed > 0) {
        context.progress.begin(Text::ProgressWrite, true);
        const ProgrammingResult programmed =
            context.device.programSelectedBytes(file, pulse, options.block.romOffset);
        context.progress.end();
        const Number stoppedAt = Number::hex(programmed.stoppedAt, 3);
        const Number pulses = Number::decimal(programmed.pulsesGiven);
        // A silent timer has given at most one pulse that nothing ended: what the ROM holds
        // says nothing of its lines, so it is not read back.
        if (programmed.timerSilent) {
            context.console.result(Text::WriteTimerSilent, {stoppedAt.view(), pulses.view()});
            return ExitStatus::Negative;
        }
        if (programmed.interrupted || interruptRequested()) {
            context.console.result(Text::WriteStopped, {stoppedAt.view(), pulses.view()});
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
    if (context.map != nullptr) {
        // A cell differs in the bits it read back wrong in any round.
        CellMap round;
        for (std::uint32_t i = 0; i < SelfTestRounds; ++i) {
            fillSelfTestPattern(i, loaded);
            const std::span<const std::uint8_t> pass = readBack[i];
            mapCells(round, loaded, std::span(&pass, 1), pass, {}, 0);
            if (i == 0) {
                *context.map = round;
            } else {
                mergeCells(*context.map, round);
            }
        }
    }
    const SelfTestDiagnosis diagnosis = diagnoseSelfTest(readBack);
    printSelfTest(context.console, diagnosis);
    if (JsonResult* json = context.console.json()) {
        json->selfTest(diagnosis);
    }
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
    std::array<char, 64> answer{};
    std::size_t length = 0;
    const LineResult line = waitForLine(answer, length);
    device.switchOff();
    return line == LineResult::Interrupted || interruptRequested() ? ExitStatus::Interrupted
                                                                   : ExitStatus::Success;
}

} // namespace

ExitStatus runOperation(OperationContext& context) {
    if (JsonResult* json = context.console.json()) {
        json->place(context.filePlace);
    }
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
