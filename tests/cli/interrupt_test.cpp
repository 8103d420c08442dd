// Interruption and the terminal: a signal in the middle of a write or of the voltage hold
// ends with the board idle and exit status 130; on a terminal the program shows its
// progress and waits for the operator.
#include "device/pulse_plan.h"
#include "tests/cli/cli_test_support.h"

#include <array>
#include <csignal>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace rfprog::test {
namespace {

using InterruptTest = CliTest;
using TerminalTest = CliTest;

// Stops a block operation after a number of bytes, as the program does on a signal.
class StopAfter final : public ByteObserver {
  public:
    explicit StopAfter(std::uint32_t bytes) : bytes_(bytes) {}
    bool byteDone(std::uint32_t bytesDone, std::uint32_t) override { return bytesDone < bytes_; }

  private:
    std::uint32_t bytes_;
};

TEST_F(InterruptTest, AnInterruptedWriteStopsBetweenBytesWithTheVoltageOff) {
    const auto image = pattern(RomSize, 6);
    const fs::path file = folder / "image.bin";
    writeFile(file, image);
    // A slow timer keeps the write going for seconds.
    CliProcess process(
        {"--port", "sim:" + rom.string(), "write", file.string(), "--trace", trace.string()},
        {{"RFPROG_SIM_TIMER", "20000"}}, folder);
    ASSERT_TRUE(firstBytePulsed());
    process.signal(SIGINT);
    const CliResult result = process.wait();
    EXPECT_EQ(result.status, 130);
    EXPECT_EQ(result.err, "rfprog-cli: interrupted; the programming voltage is off\n");

    const std::string traced = traceFile();
    EXPECT_EQ(lastLine(traced), "W 37A 00");
    const std::size_t pulses = lineCount(traced, "W 37A 04");
    ASSERT_GT(pulses, 0u);
    ASSERT_LT(pulses, RomSize);

    // The core's traffic: the check's read, then the write of the bytes that need a pulse
    // stopped after those pulses the way a silent timer stops it, and idle; no
    // verification. The ROM holds exactly the bytes that got their pulse.
    CoreRun core;
    core.board.timerAnswersOnRead = 20000;
    std::vector<std::uint8_t> block(RomSize);
    core.device.readRomBlock(block, 0);
    std::array<bool, RomSize> pulse{};
    planPulses(PulseRule::Changed, image, block, {}, pulse);
    StopAfter stop(static_cast<std::uint32_t>(pulses));
    core.device.setObserver(&stop);
    const ProgrammingResult stopped = core.device.programSelectedBytes(image, pulse, 0);
    EXPECT_TRUE(traced == core.programTrace()) << "the traces differ";
    // Where it stopped and the pulses it gave, and nothing more: no verification.
    EXPECT_EQ(result.out, "write: stopped at ROM 0x" + hexText(stopped.stoppedAt, 3) + " after " +
                              std::to_string(pulses) + (pulses == 1 ? " pulse\n" : " pulses\n"));
    EXPECT_EQ(readFile(rom),
              std::vector<std::uint8_t>(core.board.rom.begin(), core.board.rom.end()));
}

TEST_F(InterruptTest, AnInterruptAmongPassedOverBytesStopsThereWithTheVoltageOff) {
    // Ten bytes to program, then 2038 FFh that the erased ROM holds already.
    auto image = erased();
    std::fill_n(image.begin(), 10, 0x00);
    const fs::path file = folder / "image.bin";
    writeFile(file, image);
    // The trace goes into a pipe that the test does not read at first. The program writes
    // its trace in pieces of 64 KiB of whole lines: the first (the open and most of the
    // pre-check) fits into the pipe, and the second, due in the passed-over stretch, waits
    // in its write for room. The signal comes while it waits.
    const fs::path fifo = folder / "trace.fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const int reader = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    constexpr int PipeSize = 64 * 1024;
    constexpr int TracePiece = PipeSize / 9 * 9; // lines of 9 bytes, "W 37A 0D\n"
    ASSERT_EQ(::fcntl(reader, F_SETPIPE_SZ, PipeSize), PipeSize);
    // The board without a ROM file, whose writes might sleep too.
    CliProcess process({"--port", "sim", "write", file.string(), "--trace", fifo.string()}, {},
                       folder);
    ASSERT_TRUE(eventually([&] {
        int queued = 0;
        return ::ioctl(reader, FIONREAD, &queued) == 0 && queued == TracePiece &&
               process.sleeping();
    }));
    process.signal(SIGINT);
    ::fcntl(reader, F_SETFL, 0); // now read the rest, waiting, up to the program's close
    std::string traced;
    std::array<char, 4096> piece{};
    for (ssize_t got; (got = ::read(reader, piece.data(), piece.size())) > 0;) {
        traced.append(piece.data(), static_cast<std::size_t>(got));
    }
    ::close(reader);
    const CliResult result = process.wait();
    EXPECT_EQ(result.status, 130);
    EXPECT_EQ(result.err, "rfprog-cli: interrupted; the programming voltage is off\n");

    // The pre-check, the ten pulses, counter steps alone over the bytes passed over up to
    // the stop, then 0x00 at once (and the close's); no verification.
    const auto accesses = PortTrace::parse(traced);
    ASSERT_TRUE(accesses);
    const std::size_t steps = accesses->count(ctl(0x0D));
    ASSERT_GT(steps, 10u + 1);
    ASSERT_LT(steps, std::size_t(RomSize));
    Traffic expected;
    expected.control(0x00).readRomBlock(0, erased());
    expected.resetAddress().control(0x08).control(0x0C);
    for (int i = 0; i < 10; ++i) {
        expected.data(0x00).control(0x04).readStatus(0xC7).control(0x0D).control(0x0C);
    }
    for (std::size_t i = 10; i < steps; ++i) {
        expected.control(0x0D).control(0x0C);
    }
    expected.control(0x00).control(0x00);
    EXPECT_TRUE(sameTraffic(accesses->accesses(), expected.accesses()));
    // The last byte stepped over is the one before the stop.
    EXPECT_EQ(result.out, "write: stopped at ROM 0x" + hexText(steps, 3) + " after 10 pulses\n");
}

// Closing the terminal, Ctrl-\ and kill end the voltage hold and a write as Ctrl-C does.
TEST_F(InterruptTest, HangupQuitAndTerminateEndWithTheVoltageOff) {
    const fs::path file = folder / "image.bin";
    writeFile(file, pattern(RomSize, 6));
    for (const int number : {SIGHUP, SIGQUIT, SIGTERM}) {
        SCOPED_TRACE(number);
        CliProcess hold({"--port", "sim", "timer", "--hold", "--yes", "--trace", trace.string()},
                        {}, folder);
        ASSERT_TRUE(eventually(
            [&] { return hold.errorSoFar().find("voltage is ON") != std::string::npos; }));
        hold.signal(number);
        const CliResult held = hold.wait();
        EXPECT_EQ(held.status, 130);
        EXPECT_NE(held.err.find("interrupted; the programming voltage is off"), std::string::npos);
        EXPECT_EQ(lastLine(traceFile()), "W 37A 00");

        fs::remove(rom);
        CliProcess write(
            {"--port", "sim:" + rom.string(), "write", file.string(), "--trace", trace.string()},
            {{"RFPROG_SIM_TIMER", "20000"}}, folder);
        ASSERT_TRUE(firstBytePulsed());
        write.signal(number);
        EXPECT_EQ(write.wait().status, 130);
        EXPECT_EQ(lastLine(traceFile()), "W 37A 00");
        EXPECT_LT(lineCount(traceFile(), "W 37A 04"), RomSize);
    }
}

// Output into a pipe that nobody reads fails; the program still completes its work, voltage
// off, but its result never reached the user, so the exit status does not say success.
TEST_F(InterruptTest, AClosedOutputPipeDoesNotEndARead) {
    writeFile(rom, pattern(RomSize, 2));
    const fs::path image = folder / "image.bin";
    CliProcess process(
        {"--port", "sim:" + rom.string(), "read", image.string(), "--trace", trace.string()}, {},
        folder, Streams::ClosedOutput);
    process.closeInput();
    const CliResult result = process.wait();
    EXPECT_EQ(result.status, 4) << result.err;
    EXPECT_EQ(result.err, "rfprog-cli: cannot write to standard output: the results did not "
                          "reach it\n");
    EXPECT_EQ(readFile(image), pattern(RomSize, 2));
    EXPECT_EQ(lastLine(traceFile()), "W 37A 00");
}

TEST_F(TerminalTest, ProgressIsShownOnATerminalUnlessQuiet) {
    CliProcess shown({"--port", "sim", "blank"}, {}, folder, Streams::Terminal);
    const CliResult result = shown.wait();
    EXPECT_EQ(result.status, 0);
    EXPECT_NE(result.err.find("blank [##############################] 100%  0:0"),
              std::string::npos)
        << result.err;

    CliProcess quiet({"--port", "sim", "blank", "-q"}, {}, folder, Streams::Terminal);
    EXPECT_EQ(quiet.wait().err, "");
}

// After the last pulse the write still steps over the bytes passed over, at 100%: the
// line is drawn once, not once a byte.
TEST_F(TerminalTest, AWriteDrawsItsFullBarOnceWhileItPassesOverTheLastBytes) {
    auto image = erased();
    image[0] = 0x00;
    const fs::path file = folder / "image.bin";
    writeFile(file, image);
    CliProcess shown({"--port", "sim", "write", file.string()}, {}, folder, Streams::Terminal);
    const CliResult result = shown.wait();
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(occurrences(result.err, "\rwrite [##############################] 100%"), 1u)
        << result.err;
    EXPECT_EQ(occurrences(result.err, "\rwrite ["), 2u); // and the 0% at the start
}

TEST_F(TerminalTest, AWriteShowsTheTimeLeft) {
    const fs::path file = folder / "image.bin";
    writeFile(file, pattern(RomSize, 3));
    CliProcess process({"--port", "sim:" + rom.string(), "write", file.string()}, {}, folder,
                       Streams::Terminal);
    const CliResult result = process.wait();
    EXPECT_EQ(result.status, 0);
    EXPECT_NE(result.err.find("\rwrite [#"), std::string::npos) << result.err;
    EXPECT_NE(result.err.find("  left 0:"), std::string::npos) << result.err;
}

// With the terminal's output held, the program stops in the middle of showing a question
// or the hold note: whatever it traced before must be in the file by then.
TEST_F(TerminalTest, TheTraceIsWrittenBeforeTheQuestionAndTheHoldNoteShow) {
    CliProcess process({"--port", "sim", "timer", "--hold", "--trace", trace.string()}, {}, folder,
                       Streams::StoppedTerminal);
    const auto traceIs = [&](const std::string& text) {
        return eventually([&] { return traceFile() == text; }, std::chrono::seconds(10));
    };
    EXPECT_TRUE(traceIs("W 37A 00\n")); // idle, and no pulse before the answer
    EXPECT_EQ(process.errorSoFar(), "");
    process.holdOutput(false); // the question shows; the program waits for Enter
    ASSERT_TRUE(eventually([&] {
        return process.errorSoFar().find("The ROM chip must be out of its socket.") !=
               std::string::npos;
    }));
    EXPECT_EQ(traceFile(), "W 37A 00\n");

    process.holdOutput(true);
    process.input("\n"); // the timer test and the hold
    CoreRun core;
    core.device.testPulseTimer();
    core.device.holdProgrammingVoltage();
    EXPECT_TRUE(traceIs("W 37A 00\n" + traceText(core.port.log))); // voltage on, held
    EXPECT_EQ(process.errorSoFar().find("voltage is ON"), std::string::npos);
    process.holdOutput(false);
    process.input("\n");
    const CliResult result = process.wait();
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out, "timer: the board's timer answered\n");
    EXPECT_NE(result.err.find("Programming voltage is ON."), std::string::npos);
}

// The answers to a question before a pulse or an emulator strobe. Stopped: the port is not
// touched again but for the close's 0x00, and the exit is 130; gone ahead: the timer's
// pulse or the emulator's load follows. Anything unclear is asked again.
struct AnswerCase {
    bool emulator; // the emulator write's first question, else the timer's
    std::string typed;
    bool ahead;
    std::size_t asked; // how many times the question shows
};

const AnswerCase AnswerCases[] = {
    {false, "\n", true, 1},
    {false, "y\n", true, 1},
    {false, " YES \n", true, 1},
    {false, "Да\n", true, 1},
    {false, "д\n", true, 1},
    {false, "n\n", false, 1},
    {false, "No\n", false, 1},
    {false, "\tн\n", false, 1},
    {false, "НЕТ\n", false, 1},
    {false, "Нет \n", false, 1},
    {false, "nope\nn\n", false, 2},
    {false, "yess\nДА\n", true, 2},
    {false, std::string(80, ' ') + "y\nn\n", false, 2}, // a line too long is unclear
    {true, "нет\n", false, 1},
    {true, "maybe\nY\n", true, 2},
};

TEST_F(TerminalTest, AQuestionTakesNoAsNoAndYesOrEnterAsYes) {
    const fs::path image = folder / "image.bin";
    writeFile(image, pattern(0x10, 1));
    const fs::path emulator = folder / "emulator.bin";
    for (const AnswerCase& answer : AnswerCases) {
        SCOPED_TRACE(answer.typed);
        const std::vector<std::string> arguments =
            answer.emulator
                ? std::vector<std::string>{"--port",       "sim",        "write",
                                           image.string(), "--emulator", "--length",
                                           "0x10",         "--trace",    trace.string()}
                : std::vector<std::string>{"--port", "sim", "timer", "--trace", trace.string()};
        const std::string question =
            answer.emulator ? "Switch the emulator to WRITE" : "The ROM chip must be out";
        CliProcess process(arguments, {{"RFPROG_SIM_EMULATOR", emulator.string()}}, folder,
                           Streams::Terminal);
        ASSERT_TRUE(
            eventually([&] { return process.errorSoFar().find(question) != std::string::npos; }));
        const std::string asked = traceFile();
        process.input(answer.typed);
        if (answer.emulator && answer.ahead) {
            ASSERT_TRUE(eventually(
                [&] { return process.errorSoFar().find("to READ") != std::string::npos; }));
            process.input("\n");
        }
        const CliResult result = process.wait();
        EXPECT_EQ(occurrences(result.err, question), answer.asked) << result.err;
        if (answer.ahead) {
            EXPECT_EQ(result.status, 0) << result.err;
            EXPECT_GT(traceFile().size(), asked.size() + 9);
            EXPECT_EQ(occurrences(result.err, "stopped by the operator"), 0u);
        } else {
            EXPECT_EQ(result.status, 130);
            EXPECT_EQ(result.out, "");
            EXPECT_NE(result.err.find("rfprog-cli: stopped by the operator; the programming "
                                      "voltage is off"),
                      std::string::npos)
                << result.err;
            EXPECT_EQ(traceFile(), asked + "W 37A 00\n");
        }
        EXPECT_EQ(lastLine(traceFile()), "W 37A 00");
    }
}

} // namespace
} // namespace rfprog::test
