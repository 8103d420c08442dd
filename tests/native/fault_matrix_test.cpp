// Every device command against every board fault: the message the operator sees and
// the state the port is left in. The test prints the matrix for the reliability notes.
#include "device/rom_device.h"
#include "sim/simulated_board.h"
#include "tests/native/fake_window.h"
#include "tests/native/recording_port.h"
#include "tests/support/test_data.h"
#include "ui/commands.h"
#include "ui/messages.h"
#include "ui/resource_ids.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace rfprog::test {
namespace {

using sim::SimulatedBoard;

enum class Fault { None, Absent, DeadTimer, SlowTimer, StuckAtZero, StuckAtOne, Unprogrammable };
enum class Cmd { BlankCheck, Read, Compare, Write, WriteEmulator, Calibration };

constexpr std::uint32_t SlowTimerRead = 5000;
constexpr std::uint8_t StuckBitZero = 0x10;
constexpr std::uint8_t StuckBitOne = 0x02;

// The matrix's rows: each fault with its name and how the board is given it.
struct FaultRow {
    Fault fault;
    const char* name;
    void (*apply)(SimulatedBoard& board);
};

constexpr FaultRow Faults[] = {
    {Fault::None, "none", [](SimulatedBoard&) {}},
    {Fault::Absent, "board absent", [](SimulatedBoard& board) { board.faults.absent = true; }},
    {Fault::DeadTimer, "dead timer",
     [](SimulatedBoard& board) { board.timerAnswersOnRead = SimulatedBoard::TimerNeverAnswers; }},
    {Fault::SlowTimer, "slow timer (bit 7 on status read 5000)",
     [](SimulatedBoard& board) { board.timerAnswersOnRead = SlowTimerRead; }},
    {Fault::StuckAtZero, "data bit 4 stuck at 0",
     [](SimulatedBoard& board) { board.faults.stuckAtZero = StuckBitZero; }},
    {Fault::StuckAtOne, "data bit 1 stuck at 1",
     [](SimulatedBoard& board) { board.faults.stuckAtOne = StuckBitOne; }},
    {Fault::Unprogrammable, "ROM will not program",
     [](SimulatedBoard& board) { board.faults.unprogrammable = true; }},
};

// The matrix's columns: each command with its button's text and identifier.
struct CommandRow {
    Cmd command;
    const char* name;
    int id;
};

constexpr CommandRow Commands[] = {
    {Cmd::BlankCheck, "Чистая ПЗУ?", IDC_BLANK},
    {Cmd::Read, "Читать", IDC_READ},
    {Cmd::Compare, "Сравнить", IDC_COMPARE},
    {Cmd::Write, "Писать", IDC_WRITE},
    {Cmd::WriteEmulator, "Писать, эмулятор", IDC_WRITE},
    {Cmd::Calibration, "Калибровка", IDC_CALIBRATE},
};

// The result each cell must show, worked out from what each fault does to the lines.
Message expectedResult(Cmd command, Fault fault) {
    switch (command) {
    case Cmd::BlankCheck: // an erased ROM; only a bit stuck at 0 spoils its FFh
        return fault == Fault::StuckAtZero ? Message::RomNotErased : Message::RomErased;
    case Cmd::Read: // reading cannot tell a fault from data
        return Message::FileWritten;
    case Cmd::Compare: // floating lines and stuck bits differ from the file
        return fault == Fault::Absent || fault == Fault::StuckAtZero || fault == Fault::StuckAtOne
                   ? Message::CompareError
                   : Message::DataMatch;
    case Cmd::Write: // only a healthy or merely slow board programs and verifies
        return fault == Fault::None || fault == Fault::SlowTimer ? Message::WriteDone
                                                                 : Message::WriteError;
    case Cmd::WriteEmulator: // the emulator needs neither the timer nor the ROM's bits, but
                             // it is read back over the same data lines
        return fault == Fault::Absent || fault == Fault::StuckAtZero || fault == Fault::StuckAtOne
                   ? Message::WriteError
                   : Message::WriteDone;
    case Cmd::Calibration: // only a timer that never answers fails
        return fault == Fault::Absent || fault == Fault::DeadTimer ? Message::TimerError
                                                                   : Message::VoltageOn;
    }
    return Message::InvalidParameters;
}

std::vector<Message> expectedPrompts(Cmd command) {
    switch (command) {
    case Cmd::Write:
        return {Message::ConfirmWrite};
    case Cmd::WriteEmulator:
        return {Message::ConfirmWrite, Message::EmulatorToWrite, Message::EmulatorToRead};
    case Cmd::Calibration:
        return {Message::RemoveRom};
    default:
        return {};
    }
}

// Every byte value, so that any stuck bit shows somewhere in the block.
sim::RomImage patternImage() {
    const Bytes bytes = test::pattern(RomSize, 0);
    sim::RomImage image{};
    std::copy(bytes.begin(), bytes.end(), image.begin());
    return image;
}

std::string oneLine(std::u16string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char32_t c = text[i];
        if (c == u'\r') {
            continue;
        }
        if (c == u'\n') {
            out += ' ';
        } else if (c < 0x80) {
            out += static_cast<char>(c);
        } else { // the texts stay in the basic plane
            out += static_cast<char>(c < 0x800 ? 0xC0 | (c >> 6) : 0xE0 | (c >> 12));
            if (c >= 0x800) {
                out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            }
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

struct CellResult {
    std::string text; // what the matrix prints
};

class FaultMatrixTest : public ::testing::Test {
  protected:
    CellResult runCell(const CommandRow& column, const FaultRow& row) {
        const Cmd command = column.command;
        const Fault fault = row.fault;
        const std::string where = std::string(column.name) + " / " + row.name;
        SCOPED_TRACE(where);
        SimulatedBoard board;
        const sim::RomImage pattern = patternImage();
        // Reading and comparing start from a programmed ROM, programming from an erased one.
        if (command == Cmd::Read || command == Cmd::Compare) {
            board.rom = pattern;
        }
        board.emulatorPlugged = command == Cmd::WriteEmulator;
        row.apply(board);

        const fs::path file = folder_ / "image.bin";
        fs::remove(file);
        if (command == Cmd::Compare || command == Cmd::Write || command == Cmd::WriteEmulator) {
            writeFile(file, pattern);
        }

        FakeWindow window;
        window.fields[IDC_FILENAME] = file.u16string();
        if (command == Cmd::WriteEmulator) {
            window.checked.insert(IDC_EMULATOR);
        }
        std::vector<std::uint8_t> controlAtBox; // the control register while each box is up
        window.onMessage = [&](const ShownMessage&) {
            controlAtBox.push_back(controlByte(board.control()));
        };
        RecordingPort port(board);
        RomDevice device(port, fastClock);
        CommandContext context{window, device};

        EXPECT_TRUE(dispatchCommand(context, column.id));

        // The messages: the command's prompts in order, then exactly one result.
        std::vector<Message> expected = expectedPrompts(command);
        const Message result = expectedResult(command, fault);
        expected.push_back(result);
        std::vector<Message> shown;
        for (const ShownMessage& box : window.messages) {
            const MessageEntry* entry = catalogueEntry(box);
            EXPECT_NE(entry, nullptr) << "a box outside the catalogue: " << oneLine(box.text);
            if (entry != nullptr) {
                shown.push_back(entry->id);
            }
        }
        EXPECT_EQ(shown, expected);

        // The programming voltage is up only under the calibration's voltage message; a
        // failed timer test is switched off before its error shows.
        const std::uint8_t voltageHeld = controlByte(ControlValue::Pulse);
        for (std::size_t i = 0; i < window.messages.size(); ++i) {
            const bool voltageMessage = shows(window.messages[i], Message::VoltageOn);
            EXPECT_EQ(controlAtBox[i],
                      voltageMessage ? voltageHeld : controlByte(ControlValue::Idle))
                << "box " << i << ": " << oneLine(window.messages[i].text);
        }

        // The port state after the command.
        EXPECT_EQ(board.control(), ControlValue::Idle);
        EXPECT_FALSE(board.voltageOn());
        EXPECT_EQ(board.undefinedControlWrites(), 0u);
        EXPECT_GT(port.log.size(), 0u);

        std::string text =
            window.messages.empty() ? "(none)" : oneLine(window.messages.back().text);
        if (command == Cmd::Calibration && result == Message::VoltageOn) {
            text += " [0x04 until OK]";
        }
        if (command == Cmd::Read) {
            // The file holds what the lines showed; say whether that is the ROM.
            const std::vector<std::uint8_t> bytes = readFile(file);
            EXPECT_EQ(bytes.size(), RomSize);
            const bool same = bytes == std::vector<std::uint8_t>(pattern.begin(), pattern.end());
            const bool faultChangesData =
                fault == Fault::Absent || fault == Fault::StuckAtZero || fault == Fault::StuckAtOne;
            EXPECT_EQ(same, !faultChangesData);
            text += same ? " (file = ROM)" : " (file ≠ ROM)";
        }
        if (command == Cmd::Write) {
            // One pulse per byte, or a single one when the timer never ends it.
            const bool pulsed = fault != Fault::Absent;
            const std::uint32_t pulses = !pulsed ? 0 : fault == Fault::DeadTimer ? 1 : RomSize;
            EXPECT_EQ(board.pulses(), pulses);
        }
        if (command == Cmd::WriteEmulator) {
            EXPECT_EQ(board.pulses(), 0u);
            EXPECT_EQ(board.emulator == pattern, fault != Fault::Absent);
        }
        // Compare and Write never touch the file.
        if (command == Cmd::Compare || command == Cmd::Write || command == Cmd::WriteEmulator) {
            const std::vector<std::uint8_t> bytes = readFile(file);
            EXPECT_EQ(bytes, std::vector<std::uint8_t>(pattern.begin(), pattern.end()));
        }
        return {text + " · 0x00"};
    }

    // A folder of each test's own, so that tests running side by side never share one.
    TempFolder temp_{"rfprog-fault-matrix"};
    const fs::path folder_ = temp_.path();
};

TEST_F(FaultMatrixTest, EveryCommandAgainstEveryBoardFault) {
    std::vector<std::vector<CellResult>> matrix;
    for (const FaultRow& fault : Faults) {
        std::vector<CellResult> row;
        for (const CommandRow& command : Commands) {
            row.push_back(runCell(command, fault));
        }
        matrix.push_back(row);
    }

    // Markdown, one row per fault; each cell is the last message and the control
    // register after the command.
    std::string table = "| Board fault |";
    for (const CommandRow& command : Commands) {
        table += std::string(" ") + command.name + " |";
    }
    table += "\n|---|";
    for (std::size_t i = 0; i < std::size(Commands); ++i) {
        table += "---|";
    }
    table += "\n";
    for (std::size_t f = 0; f < std::size(Faults); ++f) {
        table += std::string("| ") + Faults[f].name + " |";
        for (const CellResult& cell : matrix[f]) {
            table += " " + cell.text + " |";
        }
        table += "\n";
    }
    std::cout << "\nFault matrix (last message · control register after the command):\n"
              << table << std::flush;

    // The README shows this very table; a change of behaviour must change it too.
    const std::vector<std::uint8_t> readme = readFile(fs::path(RFPROG_SOURCE_DIR) / "README.md");
    const std::string readmeText(readme.begin(), readme.end());
    EXPECT_NE(readmeText.find(table), std::string::npos)
        << "README.md does not hold the fault matrix above; paste it into its reliability section";
}

// The calibration's voltage stays on only until the operator dismisses the message:
// while it is up the board holds 0x04, afterwards 0x00, with every fault that lets
// the timer answer.
TEST_F(FaultMatrixTest, CalibrationHoldEndsWhenTheMessageIsDismissed) {
    for (const auto& [fault, name, apply] : Faults) {
        SCOPED_TRACE(name);
        SimulatedBoard board;
        apply(board);
        FakeWindow window;
        bool voltageWhileShown = false;
        window.onMessage = [&](const ShownMessage& box) { // answered Yes, then OK
            if (shows(box, Message::VoltageOn)) {
                voltageWhileShown = board.voltageOn();
            }
        };
        RomDevice device(board, fastClock);
        CommandContext context{window, device};
        ASSERT_TRUE(dispatchCommand(context, IDC_CALIBRATE));
        const bool timerAnswers = fault != Fault::Absent && fault != Fault::DeadTimer;
        EXPECT_EQ(voltageWhileShown, timerAnswers);
        EXPECT_EQ(board.control(), ControlValue::Idle);
        EXPECT_FALSE(board.voltageOn());
        // One pulse from the timer test, none from the hold.
        EXPECT_EQ(board.pulses(), fault == Fault::Absent ? 0u : 1u);
    }
}

} // namespace
} // namespace rfprog::test
