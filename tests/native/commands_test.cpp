// The command table and the command flows on a scripted window, the simulated
// board and real temporary files.
#include "sim/simulated_board.h"
#include "tests/native/fake_window.h"
#include "tests/native/recording_port.h"
#include "tests/support/test_data.h"
#include "tests/support/texts.h"
#include "ui/commands.h"
#include "ui/program_state.h"
#include "ui/resource_ids.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace rfprog::test {
namespace {

constexpr Answer Yes = Answer::Yes;
constexpr Answer No = Answer::No;
constexpr Answer Closed = Answer::Other;
constexpr Answer Ok = Answer::Ok;
const std::u16string Caption = ProgramCaption;

class CommandsTest : public ::testing::Test {
  protected:
    bool run(int commandId) { return dispatchCommand(context, commandId); }
    void useFile(const fs::path& path) { window.fields[IDC_FILENAME] = path.u16string(); }
    // image.bin in the test folder, holding image, named in the window.
    fs::path useImage(const Bytes& image) {
        const auto file = folder / "image.bin";
        writeFile(file, image);
        useFile(file);
        return file;
    }
    void useBlock(const char* fileOffset, const char* romOffset, const char* length) {
        window.checked.insert(IDC_EXTRA);
        window.fields8[IDC_FILE_OFFSET] = fileOffset;
        window.fields8[IDC_ROM_OFFSET] = romOffset;
        window.fields8[IDC_LENGTH] = length;
    }
    void fillRom(unsigned seed) {
        const auto bytes = pattern(RomSize, seed);
        std::copy(bytes.begin(), bytes.end(), board.rom.begin());
    }
    void expectOnlyMessage(const std::u16string& text, bool withCaption, MessageKind kind) {
        ASSERT_EQ(window.messages.size(), 1u);
        EXPECT_EQ(window.messages[0].text, text);
        EXPECT_EQ(window.messages[0].hasCaption, withCaption);
        if (withCaption) {
            EXPECT_EQ(window.messages[0].caption, Caption);
        }
        EXPECT_EQ(window.messages[0].kind, kind);
    }

    TempFolder temp{"rfprog-cmd"};
    const fs::path folder = temp.path();
    sim::SimulatedBoard board;
    RecordingPort port{board};
    RomDevice device{port, fastClock};
    FakeWindow window;
    CommandContext context{window, device};
};

TEST_F(CommandsTest, DispatchRunsOnlyTheTablesCommands) {
    // Controls without a command and unknown ids never act.
    for (const int id : {0, 3, 1015, 1001, 1017, 1004, 1010, 0xFFFF}) {
        EXPECT_FALSE(run(id)) << id;
    }
    EXPECT_TRUE(port.log.empty());
    EXPECT_TRUE(window.messages.empty());
    EXPECT_EQ(window.endDialogCalls, 0);
    EXPECT_TRUE(window.shown.empty());

    EXPECT_TRUE(run(IDCANCEL));
    EXPECT_EQ(window.endDialogCalls, 1);
}

TEST_F(CommandsTest, BlankCheckAnswersWithItsMessages) {
    window.checked.insert(IDC_EXTRA); // the block parameters do not apply
    window.fields8[IDC_LENGTH] = "junk";
    EXPECT_TRUE(run(IDC_BLANK));
    expectOnlyMessage(messageText(Message::RomErased), true, MessageKind::Info);
    EXPECT_EQ(port.count('R', DataRegister), RomSize);
    EXPECT_TRUE(window.fieldReads.empty());

    window.messages.clear();
    board.rom[0x7FF] = 0xFE;
    EXPECT_TRUE(run(IDC_BLANK));
    expectOnlyMessage(messageText(Message::RomNotErased), true, MessageKind::Error);
    EXPECT_EQ(board.control(), ControlValue::Idle);
}

TEST_F(CommandsTest, ParameterGroupShowsAndHidesInOrder) {
    window.sourceChecked = true;
    EXPECT_TRUE(run(IDC_EXTRA));
    const std::vector<std::pair<int, bool>> shown{
        {IDC_FILE_OFFSET, true}, {IDC_FILE_OFFSET_LABEL, true},
        {IDC_ROM_OFFSET, true},  {IDC_ROM_OFFSET_LABEL, true},
        {IDC_LENGTH, true},      {IDC_LENGTH_LABEL, true}};
    EXPECT_EQ(window.shown, shown);
    EXPECT_EQ(window.sourceQueries, 1);

    window.shown.clear();
    window.sourceChecked = false;
    EXPECT_TRUE(run(IDC_EXTRA));
    ASSERT_EQ(window.shown.size(), 6u);
    for (const auto& [id, visible] : window.shown) {
        EXPECT_FALSE(visible) << id;
    }
    EXPECT_TRUE(port.log.empty());
}

TEST_F(CommandsTest, BrowseStartsFromTheFieldAndKeepsItOnCancel) {
    window.fields[IDC_FILENAME] = u"C:\\old.bin";
    EXPECT_TRUE(run(IDOK));
    EXPECT_EQ(window.browseInitialName, u"C:\\old.bin");
    EXPECT_EQ(window.fields[IDC_FILENAME], u"C:\\old.bin");

    window.browseChoice = u"C:\\прошивки\\new.rom";
    EXPECT_TRUE(run(IDOK));
    EXPECT_EQ(window.fields[IDC_FILENAME], u"C:\\прошивки\\new.rom");
    EXPECT_TRUE(port.log.empty());
}

TEST_F(CommandsTest, ReadWholeRomIntoANewFile) {
    fillRom(1);
    const auto file = folder / "rom.bin";
    useFile(file);
    EXPECT_TRUE(run(IDC_READ));
    expectOnlyMessage(messageText(Message::FileWritten), true, MessageKind::Info);
    const auto written = readFile(file);
    ASSERT_EQ(written.size(), RomSize);
    EXPECT_TRUE(std::equal(written.begin(), written.end(), board.rom.begin()));
    EXPECT_EQ(board.control(), ControlValue::Idle);
}

TEST_F(CommandsTest, ReadPatchesABlockIntoAnExistingFileInPlace) {
    fillRom(2);
    const auto original = pattern(0x2000, 9);
    const auto file = useImage(original);
    useBlock("800", "0", "800");
    EXPECT_TRUE(run(IDC_READ));
    expectOnlyMessage(messageText(Message::FileWritten), true, MessageKind::Info);
    auto expected = original;
    std::copy(board.rom.begin(), board.rom.end(), expected.begin() + 0x800);
    EXPECT_EQ(readFile(file), expected);

    window.messages.clear();
    useBlock("1FF0", "7F8", "8"); // the last ROM bytes into the file's last bytes
    EXPECT_TRUE(run(IDC_READ));
    std::copy(board.rom.begin() + 0x7F8, board.rom.end(), expected.begin() + 0x1FF0);
    EXPECT_EQ(readFile(file), expected);
}

TEST_F(CommandsTest, ReadReadsTheRomBeforeLookingAtTheFileName) {
    window.onMessage = [&](const ShownMessage&) {
        EXPECT_EQ(port.count('R', DataRegister), RomSize);
        EXPECT_EQ(window.fieldReads[IDC_FILENAME], 1);
    };
    EXPECT_TRUE(run(IDC_READ)); // empty file-name field
    expectOnlyMessage(messageText(Message::FileWriteError), true, MessageKind::Error);
}

TEST_F(CommandsTest, RefusedParametersTouchNeitherPortNorFile) {
    const auto file = folder / "untouched.bin";
    useFile(file);
    useBlock("0", "1", "800");
    for (const std::uint32_t command : {IDC_READ, IDC_COMPARE, IDC_WRITE}) {
        window.messages.clear();
        EXPECT_TRUE(run(command));
        expectOnlyMessage(messageText(Message::InvalidParameters), false, MessageKind::Error);
    }
    EXPECT_TRUE(port.log.empty());
    EXPECT_FALSE(fs::exists(file));
    EXPECT_EQ(window.fieldReads.count(IDC_FILENAME), 0u);
}

TEST_F(CommandsTest, FileNamesLongerThan259CharactersAreNeverCut) {
    // 260 characters: the first 259 name a different file, which must stay untouched.
    const std::u16string folderName = folder.u16string() + u"/";
    const std::u16string base = folderName + std::u16string(259 - folderName.size(), u'a');
    ASSERT_EQ(base.size(), 259u);
    const std::u16string tooLong = base + u"b";
    writeFile(fs::path(base), pattern(RomSize, 3));
    const auto original = readFile(fs::path(base));

    window.fields[IDC_FILENAME] = tooLong;
    EXPECT_TRUE(run(IDC_READ));
    expectOnlyMessage(messageText(Message::FileWriteError), true, MessageKind::Error);
    EXPECT_EQ(port.count('R', DataRegister), RomSize); // the ROM was read as usual
    EXPECT_EQ(readFile(fs::path(base)), original);
    EXPECT_FALSE(fs::exists(fs::path(tooLong)));

    for (const std::uint32_t command : {IDC_COMPARE, IDC_WRITE}) {
        port.log.clear();
        window.messages.clear();
        EXPECT_TRUE(run(command));
        expectOnlyMessage(messageText(Message::FileReadError), false, MessageKind::Error);
        EXPECT_TRUE(port.log.empty());
    }

    // 259 characters are a name like any other.
    window.messages.clear();
    window.fields[IDC_FILENAME] = base;
    EXPECT_TRUE(run(IDC_READ));
    expectOnlyMessage(messageText(Message::FileWritten), true, MessageKind::Info);
}

TEST_F(CommandsTest, CompareMatchAndMismatch) {
    fillRom(4);
    const auto file = folder / "same.bin";
    std::vector<std::uint8_t> image(0x1000, 0);
    std::copy(board.rom.begin() + 0x10, board.rom.begin() + 0x20, image.begin() + 0x100);
    writeFile(file, image);
    useFile(file);
    useBlock("100", "10", "10");
    EXPECT_TRUE(run(IDC_COMPARE));
    expectOnlyMessage(messageText(Message::DataMatch), true, MessageKind::Info);
    // Sixteen steps before the first read, sixteen bytes compared.
    const auto firstRead =
        std::find(port.log.begin(), port.log.end(), ctl(0xAA)) - port.log.begin();
    EXPECT_EQ(firstRead, 4 + 3 * 0x10);
    EXPECT_EQ(port.count('R', DataRegister), 0x10u);

    window.messages.clear();
    board.rom[0x1F] ^= 0x01;
    EXPECT_TRUE(run(IDC_COMPARE));
    expectOnlyMessage(messageText(Message::CompareError), true, MessageKind::Error);
    EXPECT_EQ(board.control(), ControlValue::Idle);
}

TEST_F(CommandsTest, CompareWithAShortFileMakesNoPortAccess) {
    const auto file = folder / "short.bin";
    writeFile(file, pattern(0x7FF, 1));
    useFile(file);
    EXPECT_TRUE(run(IDC_COMPARE));
    expectOnlyMessage(messageText(Message::FileReadError), false, MessageKind::Error);
    EXPECT_TRUE(port.log.empty());
}

TEST_F(CommandsTest, WriteStopsBeforeThePortUnlessTheOperatorSaysYes) {
    useImage(pattern(RomSize, 5));
    window.checked.insert(IDC_EMULATOR);
    for (const Answer answer : {No, Closed}) {
        window.messages.clear();
        window.answers = {answer};
        EXPECT_TRUE(run(IDC_WRITE));
        expectOnlyMessage(messageText(Message::ConfirmWrite), true, MessageKind::Question);
    }
    EXPECT_TRUE(port.log.empty());
    // The emulator box is looked at only after a Yes.
    EXPECT_EQ(std::count(window.checkReads.begin(), window.checkReads.end(), IDC_EMULATOR), 0);
}

TEST_F(CommandsTest, WriteWithAShortFileStopsBeforeTheQuestion) {
    const auto file = folder / "short.bin";
    writeFile(file, pattern(0x10, 5));
    useFile(file);
    useBlock("8", "0", "10");
    EXPECT_TRUE(run(IDC_WRITE));
    expectOnlyMessage(messageText(Message::FileReadError), false, MessageKind::Error);
    EXPECT_TRUE(port.log.empty());
}

TEST_F(CommandsTest, WriteProgramsAndVerifiesTheBlock) {
    const auto image = pattern(0x1000, 6);
    const auto file = useImage(image);
    useBlock("400", "100", "200");
    window.answers = {Yes};
    EXPECT_TRUE(run(IDC_WRITE));
    ASSERT_EQ(window.messages.size(), 2u);
    EXPECT_EQ(window.messages[1].text, messageText(Message::WriteDone));
    EXPECT_EQ(window.messages[1].kind, MessageKind::Info);
    EXPECT_EQ(window.messages[1].caption, Caption);
    EXPECT_TRUE(
        std::equal(image.begin() + 0x400, image.begin() + 0x600, board.rom.begin() + 0x100));
    EXPECT_EQ(board.rom[0xFF], 0xFF);
    EXPECT_EQ(board.rom[0x300], 0xFF);
    EXPECT_EQ(board.pulses(), 0x200u);
    EXPECT_EQ(board.control(), ControlValue::Idle);
    EXPECT_EQ(readFile(file), image); // the file is only read
}

TEST_F(CommandsTest, WriteOverOtherDataFailsVerification) {
    board.rom.fill(0x00);
    useImage(pattern(RomSize, 7));
    window.answers = {Yes};
    EXPECT_TRUE(run(IDC_WRITE));
    ASSERT_EQ(window.messages.size(), 2u);
    EXPECT_EQ(window.messages[1].text, messageText(Message::WriteError));
    EXPECT_EQ(window.messages[1].kind, MessageKind::Error);
    EXPECT_EQ(board.control(), ControlValue::Idle);
}

TEST_F(CommandsTest, WriteWithADeadTimerEndsWithTheVoltageOffAndAnError) {
    board.timerAnswersOnRead = sim::SimulatedBoard::TimerNeverAnswers;
    useImage(pattern(RomSize, 8));
    window.answers = {Yes};
    EXPECT_TRUE(run(IDC_WRITE));
    ASSERT_EQ(window.messages.size(), 2u);
    EXPECT_EQ(window.messages[1].text, messageText(Message::WriteError));
    EXPECT_EQ(board.pulses(), 1u);
    EXPECT_EQ(board.control(), ControlValue::Idle);
}

TEST_F(CommandsTest, WriteToTheEmulatorPromptsAroundTheLoad) {
    board.emulatorPlugged = true;
    const auto image = pattern(RomSize, 9);
    useImage(image);
    window.checked.insert(IDC_EMULATOR);
    window.answers = {Yes, Ok, Ok, Ok};
    std::vector<std::size_t> strobesAtMessage;
    window.onMessage = [&](const ShownMessage&) {
        strobesAtMessage.push_back(
            static_cast<std::size_t>(std::count(port.log.begin(), port.log.end(), ctl(0x0A))));
    };
    EXPECT_TRUE(run(IDC_WRITE));
    ASSERT_EQ(window.messages.size(), 4u);
    EXPECT_EQ(window.messages[0].text, messageText(Message::ConfirmWrite));
    EXPECT_EQ(window.messages[1].text, messageText(Message::EmulatorToWrite));
    EXPECT_EQ(window.messages[1].kind, MessageKind::Warning);
    EXPECT_EQ(window.messages[2].text, messageText(Message::EmulatorToRead));
    EXPECT_EQ(window.messages[2].kind, MessageKind::Warning);
    EXPECT_EQ(window.messages[3].text, messageText(Message::WriteDone));
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(window.messages[i].caption, Caption);
    }
    // The load runs between the two switch prompts; verification after the second.
    EXPECT_EQ(strobesAtMessage, (std::vector<std::size_t>{0, 0, RomSize, RomSize}));
    EXPECT_TRUE(std::equal(image.begin(), image.end(), board.emulator.begin()));
    EXPECT_EQ(board.pulses(), 0u);
    EXPECT_EQ(board.rom[0], 0xFF);
}

TEST_F(CommandsTest, CalibrationAnsweredNoMakesNoPortAccess) {
    window.answers = {No};
    EXPECT_TRUE(run(IDC_CALIBRATE));
    expectOnlyMessage(messageText(Message::RemoveRom), true, MessageKind::WarningQuestion);
    EXPECT_TRUE(port.log.empty());
}

TEST_F(CommandsTest, CalibrationHoldsTheVoltageUntilOk) {
    board.timerAnswersOnRead = 40;
    window.answers = {Yes, Ok};
    std::vector<int> controlAtMessage;
    window.onMessage = [&](const ShownMessage&) { controlAtMessage.push_back(port.lastControl()); };
    EXPECT_TRUE(run(IDC_CALIBRATE));
    ASSERT_EQ(window.messages.size(), 2u);
    EXPECT_EQ(window.messages[1].text, messageText(Message::VoltageOn));
    EXPECT_EQ(window.messages[1].kind, MessageKind::Warning);
    EXPECT_EQ(controlAtMessage, (std::vector<int>{-1, 0x04}));
    std::vector<PortAccess> tail(port.log.end() - 3, port.log.end());
    EXPECT_EQ(tail, (std::vector{statusIn(0xC7), ctl(0x04), ctl(0x00)}));
    EXPECT_EQ(port.count('R', StatusRegister), 40u);
}

TEST_F(CommandsTest, CalibrationWithADeadTimerSwitchesOffBeforeItReportsIt) {
    board.timerAnswersOnRead = sim::SimulatedBoard::TimerNeverAnswers;
    window.answers = {Yes, Ok};
    std::vector<int> controlAtMessage;
    std::vector<std::size_t> accessesAtMessage;
    window.onMessage = [&](const ShownMessage&) {
        controlAtMessage.push_back(port.lastControl());
        accessesAtMessage.push_back(port.log.size());
    };
    EXPECT_TRUE(run(IDC_CALIBRATE));
    ASSERT_EQ(window.messages.size(), 2u);
    EXPECT_EQ(window.messages[1].text, messageText(Message::TimerError));
    EXPECT_EQ(window.messages[1].kind, MessageKind::Error);
    EXPECT_EQ(window.messages[1].caption, Caption);
    EXPECT_EQ(port.count('R', StatusRegister), 20000u);
    // The voltage is off while the error is shown, and nothing follows its dismissal.
    EXPECT_EQ(controlAtMessage, (std::vector<int>{-1, 0x00}));
    ASSERT_EQ(accessesAtMessage.size(), 2u);
    EXPECT_EQ(accessesAtMessage[1], port.log.size());
    std::vector<PortAccess> tail(port.log.end() - 2, port.log.end());
    EXPECT_EQ(tail, (std::vector{statusIn(0x47), ctl(0x00)}));
    EXPECT_EQ(board.control(), ControlValue::Idle);
}

} // namespace
} // namespace rfprog::test
