// Write (with and without the ROM emulator) and Calibration, on a working
// and on a dead pulse timer.
#include "tests/e2e/e2e_checks.h"

namespace e2e {
namespace {

constexpr std::uint8_t StatusIdle = 0x47;      // the simulator's noise bits, bit 7 clear
constexpr std::uint8_t StatusPulseOver = 0xC7; // the same with bit 7 set

const std::wstring ConfirmWrite = messageText(Message::ConfirmWrite);
const std::wstring EmulatorToWrite = messageText(Message::EmulatorToWrite);
const std::wstring EmulatorToRead = messageText(Message::EmulatorToRead);
const std::wstring WriteDone = messageText(Message::WriteDone);
const std::wstring WriteError = messageText(Message::WriteError);
const std::wstring RemoveRom = messageText(Message::RemoveRom);
const std::wstring VoltageOn = messageText(Message::VoltageOn);
const std::wstring TimerError = messageText(Message::TimerError);
const ExpectedBox WriteQuestion = questionBox(ConfirmWrite);
const ExpectedBox CalibrationQuestion = warningQuestionBox(RemoveRom);

// Starts the program with the image file "image.bin" in its field.
bool startWithImage(RfprogProcess& program, const SimSettings& settings, const Bytes& image) {
    return writeFile(program.path(L"image.bin"), image) && program.start(settings) &&
           program.setText(IdFileName, L"image.bin");
}

// Posts the command and gives the answer to its question, which comes before any port access.
void answerQuestion(RfprogProcess& program, int command, const ExpectedBox& question, int answer) {
    const auto box = commandToMessage(program, command);
    ASSERT_TRUE(box.has_value());
    EXPECT_TRUE(isMessage(*box, question, program.dialog()));
    EXPECT_TRUE(sameTraffic(program.trace().accesses(), startupTraffic().accesses()))
        << "port access before the operator answered";
    ASSERT_TRUE(program.answer(*box, answer));
}

// Waits (a little) until the trace has grown to the given number of accesses: the
// program writes the control register right after a message box is dismissed.
PortTrace traceOfSize(const RfprogProcess& program, std::size_t size) {
    PortTrace trace;
    waitUntil(
        [&] {
            trace = program.trace();
            return trace.size() >= size;
        },
        3000);
    return trace;
}

// --- Write -------------------------------------------------------------------------------

TEST(WriteCommand, AnsweredNoMakesNoPortAccess) {
    RfprogProcess program;
    ASSERT_TRUE(startWithImage(program, {}, pattern(RomSize, 10)));
    ASSERT_NO_FATAL_FAILURE(answerQuestion(program, IdWrite, WriteQuestion, IDNO));
    EXPECT_TRUE(program.closeAndWait());
    EXPECT_TRUE(sameTraffic(program.trace().accesses(), startupTraffic().accesses()));
    EXPECT_TRUE(program.romFile() == Bytes(RomSize, 0xFF));
}

TEST(WriteCommand, AnsweredYesProgramsAnErasedRomAndVerifies) {
    const Bytes image = pattern(RomSize, 11);
    RfprogProcess program;
    ASSERT_TRUE(startWithImage(program, {}, image));
    ASSERT_NO_FATAL_FAILURE(answerQuestion(program, IdWrite, WriteQuestion, IDYES));

    const auto result = program.waitMessageBox(LongOperationTimeoutMs);
    ASSERT_TRUE(result.has_value());
    EXPECT_TRUE(isMessage(*result, infoBox(WriteDone), program.dialog()));
    EXPECT_TRUE(program.romFile() == image) << "the ROM does not hold the image";
    Traffic expected = startupTraffic();
    expected.programRomBlock(0, image, StatusPulseOver).verifyRomBlock(0, image, image);
    EXPECT_TRUE(sameTraffic(program.trace().accesses(), expected.accesses()));
    dismissAndClose(program, *result);
}

// The ROM file stops taking the board's changes (another program holds it): the port
// library says so once, naming the file, and the command ends as the board's memory has it.
TEST(WriteCommand, RomFileThatStopsTakingChangesIsReportedOnce) {
    const Bytes image = pattern(RomSize, 19);
    RfprogProcess program;
    ASSERT_TRUE(startWithImage(program, {}, image));
    const auto question = commandToMessage(program, IdWrite);
    ASSERT_TRUE(question.has_value());
    HANDLE held = CreateFileW(program.path(L"rom.bin").c_str(), GENERIC_READ, 0, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE) << GetLastError();
    ASSERT_TRUE(program.answer(*question, IDYES));

    const auto lost = program.waitMessageBox(LongOperationTimeoutMs);
    ASSERT_TRUE(lost.has_value());
    EXPECT_EQ(lost->caption, L"Simulated programmer board");
    EXPECT_EQ(lost->text, L"RFPROG_SIM_ROM=\"" + program.path(L"rom.bin") +
                              L"\": the file cannot be written.\r\nThe simulated board goes on, "
                              L"but this file no longer holds its memory.");
    EXPECT_EQ(lost->icon, IconKind::Error);
    ASSERT_TRUE(program.answer(*lost, IDOK));

    const auto result = program.waitMessageBox(LongOperationTimeoutMs);
    ASSERT_TRUE(result.has_value());
    EXPECT_TRUE(isMessage(*result, infoBox(WriteDone), program.dialog()));
    CloseHandle(held);
    EXPECT_TRUE(program.romFile() == Bytes(RomSize, 0xFF)) << "the held file was written";
    Traffic expected = startupTraffic();
    expected.programRomBlock(0, image, StatusPulseOver).verifyRomBlock(0, image, image);
    EXPECT_TRUE(sameTraffic(program.trace().accesses(), expected.accesses()));
    dismissAndClose(program, *result);
}

TEST(WriteCommand, OverOtherDataFailsTheVerification) {
    SimSettings settings;
    settings.rom = Bytes(RomSize, 0x00); // programming can only clear bits
    const Bytes image = pattern(RomSize, 12);
    ASSERT_NE(image[0], 0x00);
    RfprogProcess program;
    ASSERT_TRUE(startWithImage(program, settings, image));
    ASSERT_NO_FATAL_FAILURE(answerQuestion(program, IdWrite, WriteQuestion, IDYES));
    const auto result = program.waitMessageBox(LongOperationTimeoutMs);
    ASSERT_TRUE(result.has_value());
    EXPECT_TRUE(isMessage(*result, errorBox(WriteError), program.dialog()));
    const PortTrace trace = program.trace();
    Traffic expected = startupTraffic();
    expected.programRomBlock(0, image, StatusPulseOver).verifyRomBlock(0, settings.rom, image);
    EXPECT_TRUE(sameTraffic(trace.accesses(), expected.accesses()));
    EXPECT_EQ(trace.lastControl(), 0x00);
    EXPECT_TRUE(program.romFile() == settings.rom);
    dismissAndClose(program, *result);
}

TEST(WriteCommand, WithTheEmulatorTickedAsksToSwitchItAroundTheLoad) {
    SimSettings settings;
    settings.emulator = Bytes(RomSize, 0xFF);
    const Bytes image = pattern(RomSize, 13);
    RfprogProcess program;
    ASSERT_TRUE(startWithImage(program, settings, image));
    ASSERT_TRUE(program.setCheck(IdEmulator, true));

    ASSERT_NO_FATAL_FAILURE(answerQuestion(program, IdWrite, WriteQuestion, IDYES));

    const auto toWrite = program.waitMessageBox();
    ASSERT_TRUE(toWrite.has_value());
    EXPECT_TRUE(isMessage(*toWrite, warningBox(EmulatorToWrite), program.dialog()));
    EXPECT_TRUE(sameTraffic(program.trace().accesses(), startupTraffic().accesses()))
        << "the emulator was loaded before the operator switched it to write";
    ASSERT_TRUE(program.answer(*toWrite, IDOK));

    const auto toRead = program.waitMessageBox(LongOperationTimeoutMs);
    ASSERT_TRUE(toRead.has_value());
    EXPECT_TRUE(isMessage(*toRead, warningBox(EmulatorToRead), program.dialog()));
    Traffic loaded = startupTraffic();
    loaded.loadEmulatorBlock(0, image);
    const PortTrace afterLoad = program.trace();
    EXPECT_TRUE(sameTraffic(afterLoad.accesses(), loaded.accesses()));
    EXPECT_EQ(afterLoad.count({'W', ControlRegister, 0x0A}), RomSize);
    EXPECT_TRUE(program.emulatorFile() == image) << "the emulator does not hold the image";
    ASSERT_TRUE(program.answer(*toRead, IDOK));

    const auto result = program.waitMessageBox(LongOperationTimeoutMs);
    ASSERT_TRUE(result.has_value());
    EXPECT_TRUE(isMessage(*result, infoBox(WriteDone), program.dialog()));
    // The verification reads the emulator back, after the switch-to-read message.
    Traffic expected = loaded;
    expected.verifyRomBlock(0, image, image);
    const PortTrace trace = program.trace();
    EXPECT_TRUE(sameTraffic(trace.accesses(), expected.accesses()));
    EXPECT_EQ(trace.count({'W', ControlRegister, 0x04}), 0u) << "no programming pulse";
    EXPECT_TRUE(program.romFile() == Bytes(RomSize, 0xFF)) << "the ROM was touched";
    dismissAndClose(program, *result);
}

// A pulse whose timer never answers is given up after about one second; the write
// then goes on to the verification.
TEST(WriteCommand, DeadTimerAbandonsThePulseAndFails) {
    SimSettings settings;
    settings.timer = "never";
    Bytes image = pattern(RomSize, 14);
    image[0] = 0x12;
    image[1] = 0x34;
    RfprogProcess program;
    ASSERT_TRUE(startWithImage(program, settings, image));
    const auto question = commandToMessage(program, IdWrite);
    ASSERT_TRUE(question.has_value());
    const DWORD start = GetTickCount();
    ASSERT_TRUE(program.answer(*question, IDYES));
    const auto result = program.waitMessageBox(LongOperationTimeoutMs);
    const DWORD elapsed = GetTickCount() - start;
    ASSERT_TRUE(result.has_value());
    EXPECT_TRUE(isMessage(*result, errorBox(WriteError), program.dialog()));
    EXPECT_GE(elapsed, 900u) << "the pulse was abandoned too early";
    EXPECT_LE(elapsed, 8000u) << "the pulse was abandoned too late"; // margin for a busy machine

    const PortTrace trace = program.trace();
    EXPECT_EQ(trace.lastControl(), 0x00);
    EXPECT_EQ(trace.count({'W', ControlRegister, 0x04}), 1u) << "exactly one pulse";
    // Start-up, the prelude and the first pulse; then status reads only; then 0x00.
    Traffic head = startupTraffic();
    head.resetAddress().control(0x08).control(0x0C).data(image[0]).control(0x04);
    ASSERT_GT(trace.size(), head.size());
    EXPECT_TRUE(sameTraffic(trace.slice(0, head.size()), head.accesses()));
    std::size_t next = head.size();
    while (next < trace.size() && trace[next] == PortAccess{'R', StatusRegister, StatusIdle}) {
        ++next;
    }
    EXPECT_GT(next, head.size()) << "no status read after the pulse";
    // The sim programmed the first byte at the pulse's start; the second stays erased.
    Bytes readBack(RomSize, 0xFF);
    readBack[0] = image[0];
    Traffic tail = Traffic().control(0x00).verifyRomBlock(0, readBack, image);
    EXPECT_TRUE(sameTraffic(trace.slice(next), tail.accesses()));
    dismissAndClose(program, *result);
}

// --- Calibration --------------------------------------------------------------------------

TEST(Calibration, AnsweredNoMakesNoPortAccess) {
    RfprogProcess program;
    ASSERT_TRUE(program.start());
    ASSERT_NO_FATAL_FAILURE(answerQuestion(program, IdCalibrate, CalibrationQuestion, IDNO));
    EXPECT_TRUE(program.closeAndWait());
    EXPECT_TRUE(sameTraffic(program.trace().accesses(), startupTraffic().accesses()));
}

TEST(Calibration, WorkingTimerHoldsTheVoltageUntilOk) {
    RfprogProcess program;
    ASSERT_TRUE(program.start());
    ASSERT_NO_FATAL_FAILURE(answerQuestion(program, IdCalibrate, CalibrationQuestion, IDYES));

    const auto voltage = program.waitMessageBox();
    ASSERT_TRUE(voltage.has_value());
    EXPECT_TRUE(isMessage(*voltage, warningBox(VoltageOn), program.dialog()));
    Traffic held = startupTraffic();
    held.timerPrelude().readStatus(StatusPulseOver).control(0x04);
    const PortTrace whileUp = program.trace();
    EXPECT_TRUE(sameTraffic(whileUp.accesses(), held.accesses()));
    EXPECT_EQ(whileUp.lastControl(), 0x04) << "the voltage must be on while the message is up";

    ASSERT_TRUE(program.answer(*voltage, IDOK));
    const PortTrace after = traceOfSize(program, held.size() + 1);
    EXPECT_TRUE(sameTraffic(after.accesses(), Traffic(held).control(0x00).accesses()));
    EXPECT_TRUE(program.closeAndWait());
    EXPECT_EQ(program.trace().size(), held.size() + 1);
}

TEST(Calibration, DeadTimerSwitchesOffBeforeItsErrorShows) {
    SimSettings settings;
    settings.timer = "never";
    RfprogProcess program;
    ASSERT_TRUE(program.start(settings));
    ASSERT_NO_FATAL_FAILURE(answerQuestion(program, IdCalibrate, CalibrationQuestion, IDYES));

    const auto failure = program.waitMessageBox();
    ASSERT_TRUE(failure.has_value());
    EXPECT_TRUE(isMessage(*failure, errorBox(TimerError), program.dialog()));
    // 20 000 status reads, then the voltage goes off while the error is still up.
    Traffic tested = startupTraffic();
    tested.timerPrelude();
    for (int i = 0; i < 20000; ++i) {
        tested.readStatus(StatusIdle);
    }
    tested.control(0x00);
    const PortTrace whileUp = program.trace();
    EXPECT_EQ(whileUp.count('R', StatusRegister), 20000u);
    EXPECT_TRUE(sameTraffic(whileUp.accesses(), tested.accesses()));
    EXPECT_EQ(whileUp.lastControl(), 0x00);

    // Dismissing it writes nothing more.
    ASSERT_TRUE(program.answer(*failure, IDOK));
    EXPECT_TRUE(program.closeAndWait());
    EXPECT_EQ(program.trace().size(), tested.size());
}

} // namespace
} // namespace e2e
