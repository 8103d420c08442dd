// Interruption and the terminal: a signal in the middle of a write or of the voltage hold
// ends with the board idle and exit status 130; on a terminal the program shows its
// progress and waits for the operator.
#include "tests/cli/cli_test_support.h"

#include <csignal>

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
    ASSERT_TRUE(eventually([&] {
        const auto bytes = readFile(rom);
        return bytes.size() == RomSize && bytes[0] != 0xFF;
    }));
    process.signal(SIGINT);
    const CliResult result = process.wait();
    EXPECT_EQ(result.status, 130);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err, "rfprog-cli: interrupted; the programming voltage is off\n");

    const std::string traced = traceFile();
    EXPECT_EQ(lastLine(traced), "W 37A 00");
    const std::size_t pulses = lineCount(traced, "W 37A 04");
    ASSERT_GT(pulses, 0u);
    ASSERT_LT(pulses, RomSize);
    // The ROM holds exactly the bytes that got their pulse.
    auto expected = erased();
    std::copy_n(image.begin(), pulses, expected.begin());
    EXPECT_EQ(readFile(rom), expected);

    // The core's traffic: the check's read, then programming stopped after those bytes the
    // way a silent timer stops it, and idle; no verification.
    CoreRun core;
    core.board.timerAnswersOnRead = 20000;
    std::vector<std::uint8_t> block(RomSize);
    core.device.readRomBlock(block, 0);
    StopAfter stop(static_cast<std::uint32_t>(pulses));
    core.device.setObserver(&stop);
    core.device.programRomBlock(image, 0);
    EXPECT_TRUE(traced == core.programTrace()) << "the traces differ";
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
        ASSERT_TRUE(eventually([&] {
            const auto bytes = readFile(rom);
            return bytes.size() == RomSize && bytes[0] != 0xFF;
        }));
        write.signal(number);
        EXPECT_EQ(write.wait().status, 130);
        EXPECT_EQ(lastLine(traceFile()), "W 37A 00");
        EXPECT_LT(lineCount(traceFile(), "W 37A 04"), RomSize);
    }
}

// Output into a pipe that nobody reads fails; the program still completes its work.
TEST_F(InterruptTest, AClosedOutputPipeDoesNotEndARead) {
    writeFile(rom, pattern(RomSize, 2));
    const fs::path image = folder / "image.bin";
    CliProcess process(
        {"--port", "sim:" + rom.string(), "read", image.string(), "--trace", trace.string()}, {},
        folder, Streams::ClosedOutput);
    process.closeInput();
    const CliResult result = process.wait();
    EXPECT_EQ(result.status, 0) << result.err;
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

} // namespace
} // namespace rfprog::test
