// The command dispatcher fed random sequences of commands, window states, operator
// answers and board faults, over the simulated board and a private temporary folder.
// After every command the invariants below are checked against the board, the
// messages shown and every byte of every file in the folder.
//
// Input: one action per line; unknown lines are ignored, so every input is valid.
//   C<n>      dispatch the command id n (decimal, or hex after 0x); at most 32 a run
//   X0 / X1   "Дополнительные параметры" unticked / ticked
//   E0 / E1   "Эмулятор ПЗУ" unticked / ticked
//   K0 / K1   check state reported for the control that sent the command
//   1<t> 2<t> 3<t>  file offset, ROM offset and length field texts (raw bytes)
//   N<t>      file-name field: the folder, a slash and t as UTF-8 (a slash in t becomes
//             '_'; bytes that are not UTF-8 become unpaired surrogates); "N@259" and
//             "N@260" give names of exactly that many characters; "N!" an empty field
//   O<t>      the file the browse dialog picks (as for N); "O" alone: the dialog is cancelled
//   A<chars>  operator answers, in order: y Yes, n No, o OK, anything else: closed otherwise
//   B<timer>;<faults>  board settings as the simulated port library takes them
//   P         emulator plugged in or out
//   R<seed> / M<seed>  ROM / emulator contents from a seed (erased when empty)
//   W<n>:<hex size>    file n of the folder rewritten with that many bytes (at most 20000h)
#include "device/rom_device.h"
#include "image/image_file.h"
#include "sim/sim_settings.h"
#include "sim/simulated_board.h"
#include "tests/fuzz/fuzz_support.h"
#include "tests/native/fake_window.h"
#include "tests/native/recording_port.h"
#include "tests/support/test_data.h"
#include "ui/commands.h"
#include "ui/messages.h"
#include "ui/program_state.h"
#include "ui/resource_ids.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace rfprog::fuzz {
namespace {

using sim::SimulatedBoard;
using test::Bytes;
using test::catalogueEntry;
using test::FakeWindow;
using test::pattern;
using test::readFile;
using test::RecordingPort;
using test::ShownMessage;
using test::shows;
using test::Snapshot;
using test::writeFile;

constexpr int MaxCommandsPerRun = 32;
constexpr std::uint32_t MaxFileSize = 0x20000;

fs::path Folder;

// Each look moves a tenth of a second on, so a silent timer ends a write after ten
// looks (2 560 status reads) and every run stays fast.
std::uint32_t coarseClock() {
    static std::uint32_t now = 0;
    return now += 100;
}

Snapshot snapshot() {
    return test::snapshot(Folder);
}

// The same files at the start of every run; they are rewritten in place, since creating
// and deleting files costs more than the rest of a run.
void resetFolder() {
    const fs::path files[] = {Folder / "a.bin", Folder / "b.bin", Folder / fs::path(u"образ.bin")};
    const fs::path dir = Folder / "dir";
    for (const auto& entry : fs::directory_iterator(Folder)) {
        if (std::find(std::begin(files), std::end(files), entry.path()) == std::end(files) &&
            entry.path() != dir) {
            fs::remove_all(entry.path());
        }
    }
    writeFile(files[0], pattern(0x800, 1));
    writeFile(files[1], pattern(0x3000, 2));
    writeFile(files[2], pattern(0x1000, 3));
    fs::create_directory(dir);
}

// UTF-8 to UTF-16; a byte that starts no valid sequence becomes an unpaired surrogate.
std::u16string decode(std::string_view text) {
    std::u16string out;
    for (std::size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        const std::size_t length = lead < 0x80         ? 1
                                   : (lead >> 5) == 6  ? 2
                                   : (lead >> 4) == 14 ? 3
                                                       : 0;
        bool valid = length != 0 && i + length <= text.size();
        std::uint32_t code = length == 1 ? lead : length == 2 ? lead & 0x1F : lead & 0x0F;
        for (std::size_t k = 1; valid && k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            valid = (next & 0xC0) == 0x80;
            code = (code << 6) | (next & 0x3F);
        }
        if (valid && (code < (length == 1   ? 0u
                              : length == 2 ? 0x80u
                                            : 0x800u) ||
                      (code >= 0xD800 && code <= 0xDFFF))) {
            valid = false; // overlong or an encoded surrogate
        }
        if (!valid) {
            out += static_cast<char16_t>(0xDC00 | lead);
            ++i;
            continue;
        }
        out += static_cast<char16_t>(code);
        i += length;
    }
    return out;
}

// One name inside the folder: no separator and no zero, which an edit field cannot hold.
std::u16string safeComponent(std::string_view text) {
    std::u16string name = decode(text);
    std::replace(name.begin(), name.end(), u'/', u'_');
    std::replace(name.begin(), name.end(), u'\0', u'_');
    return name;
}

// The name as the file system sees it; nothing for an empty name or unpaired surrogates.
std::optional<std::string> nativeName(const std::u16string& name) {
    std::string out;
    for (std::size_t i = 0; i < name.size(); ++i) {
        std::uint32_t code = name[i];
        if (code >= 0xD800 && code <= 0xDBFF && i + 1 < name.size() && name[i + 1] >= 0xDC00 &&
            name[i + 1] <= 0xDFFF) {
            code = 0x10000 + ((code - 0xD800) << 10) + (name[i + 1] - 0xDC00);
            ++i;
        } else if (code >= 0xD800 && code <= 0xDFFF) {
            return std::nullopt;
        }
        if (code < 0x80) {
            out += static_cast<char>(code);
        } else if (code < 0x800) {
            out += static_cast<char>(0xC0 | (code >> 6));
            out += static_cast<char>(0x80 | (code & 0x3F));
        } else if (code < 0x10000) {
            out += static_cast<char>(0xE0 | (code >> 12));
            out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (code & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (code >> 18));
            out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (code & 0x3F));
        }
    }
    if (out.empty()) {
        return std::nullopt;
    }
    return out;
}

// The text of a name field inside the folder, per the N and O lines.
struct NameChoice {
    std::u16string text;
    bool surelyWritable = false; // an ordinary name that Read must be able to write
};

NameChoice chooseName(std::string_view line) {
    const std::u16string base = Folder.u16string() + u"/";
    if (line == "!") {
        return {u"", false};
    }
    if (line == "@259" || line == "@260") {
        const std::size_t total = line == "@259" ? 259 : 260;
        return {base + std::u16string(total - base.size(), u'n'), total == 259};
    }
    const std::u16string tail = safeComponent(line);
    const bool ordinary =
        tail == u"a.bin" || tail == u"b.bin" || tail == u"образ.bin" || tail == u"new.bin";
    return {base + tail, ordinary};
}

bool readableBlock(const std::u16string& name, const BlockParameters& block) {
    if (name.size() > MaxCommandFileName) {
        return false;
    }
    const auto path = nativeName(name);
    struct stat info {};
    if (!path || ::stat(path->c_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
        return false;
    }
    return static_cast<std::uint64_t>(info.st_size) >=
           std::uint64_t{block.fileOffset} + block.length;
}

std::uint8_t shownByte(const SimulatedBoard& board, std::uint32_t address) {
    if (board.faults.absent) {
        return 0xFF;
    }
    const std::uint8_t stored =
        board.emulatorPlugged ? board.emulator[address] : board.rom[address];
    return static_cast<std::uint8_t>((stored & ~board.faults.stuckAtZero) |
                                     board.faults.stuckAtOne);
}

bool boardShows(const SimulatedBoard& board, const BlockParameters& block,
                const std::uint8_t* bytes) {
    for (std::uint32_t i = 0; i < block.length; ++i) {
        if (shownByte(board, block.romOffset + i) != bytes[i]) {
            return false;
        }
    }
    return true;
}

bool isPrompt(const ShownMessage& box) {
    return shows(box, Message::ConfirmWrite) || shows(box, Message::EmulatorToWrite) ||
           shows(box, Message::EmulatorToRead) || shows(box, Message::RemoveRom);
}

std::uint32_t parseNumber(std::string_view text) {
    std::uint32_t value = 0;
    int base = 10;
    if (text.starts_with("0x")) {
        text.remove_prefix(2);
        base = 16;
    }
    for (const char c : text) { // wraps like the 32-bit wParam it stands for
        const int digit = c >= '0' && c <= '9'   ? c - '0'
                          : c >= 'A' && c <= 'F' ? c - 'A' + 10
                          : c >= 'a' && c <= 'f' ? c - 'a' + 10
                                                 : 99;
        if (digit >= base) {
            break;
        }
        value = value * static_cast<std::uint32_t>(base) + static_cast<std::uint32_t>(digit);
    }
    return value;
}

constexpr std::uint32_t TableIds[] = {IDOK,     IDCANCEL,  IDC_CALIBRATE, IDC_WRITE,
                                      IDC_READ, IDC_EXTRA, IDC_COMPARE,   IDC_BLANK};

struct Session {
    SimulatedBoard board;
    FakeWindow window;
    NameChoice name{Folder.u16string() + u"/a.bin", true};
    std::vector<std::uint64_t> accessesAtBox; // port accesses done when each box came up
    std::vector<std::uint8_t> controlAtBox;   // the control register while each box was up
    std::optional<Snapshot> folder;           // the folder as the last command left it
};

void checkCommand(Session& s, std::uint32_t wParam) {
    SimulatedBoard& board = s.board;
    FakeWindow& window = s.window;
    window.messages.clear();
    window.shown.clear();
    s.accessesAtBox.clear();
    s.controlAtBox.clear();
    const Snapshot before = s.folder ? *s.folder : snapshot();
    const std::u16string fieldBefore = window.fields[IDC_FILENAME];
    const int endsBefore = window.endDialogCalls;
    const auto expectedBlock =
        referenceBlock(window.checked.count(IDC_EXTRA) != 0, window.fields8[IDC_FILE_OFFSET],
                       window.fields8[IDC_ROM_OFFSET], window.fields8[IDC_LENGTH]);
    const std::u16string name = window.fields[IDC_FILENAME].substr(0, FileNameBufferSize - 1);
    const std::uint32_t pulsesBefore = board.pulses();
    const bool emulatorTicked = window.checked.count(IDC_EMULATOR) != 0;
    const bool blank = [&] {
        for (std::uint32_t a = 0; a < RomSize; ++a) {
            if (shownByte(board, a) != ErasedByte) {
                return false;
            }
        }
        return true;
    }();
    const bool timerAnswers =
        !board.faults.absent && board.timerAnswersOnRead != SimulatedBoard::TimerNeverAnswers &&
        board.timerAnswersOnRead <= static_cast<std::uint32_t>(RomDevice::PulseTimerReads);

    RecordingPort port(board);
    RomDevice device(port, coarseClock);
    CommandContext context{window, device};
    window.onMessage = [&](const ShownMessage&) {
        s.accessesAtBox.push_back(port.log.size());
        s.controlAtBox.push_back(controlByte(board.control()));
    };

    const bool handled = dispatchCommand(context, static_cast<int>(wParam));
    const auto& boxes = window.messages;

    // The dispatcher acts on exact table entries only.
    const bool inTable =
        std::find(std::begin(TableIds), std::end(TableIds), wParam) != std::end(TableIds);
    FUZZ_CHECK(handled == inTable);

    // Only catalogue texts, at most one result besides the prompts; prompts only from
    // their own commands.
    int results = 0;
    for (std::size_t i = 0; i < boxes.size(); ++i) {
        const ShownMessage& box = boxes[i];
        FUZZ_CHECK(catalogueEntry(box) != nullptr);
        results += isPrompt(box) ? 0 : 1;
        if (shows(box, Message::ConfirmWrite) || shows(box, Message::EmulatorToWrite) ||
            shows(box, Message::EmulatorToRead)) {
            FUZZ_CHECK(wParam == IDC_WRITE);
        }
        if (shows(box, Message::RemoveRom)) {
            FUZZ_CHECK(wParam == IDC_CALIBRATE);
        }
        // The voltage is on under a box only for the calibration's voltage message.
        FUZZ_CHECK(
            s.controlAtBox[i] ==
            controlByte(shows(box, Message::VoltageOn) ? ControlValue::Pulse : ControlValue::Idle));
    }
    FUZZ_CHECK(results <= 1);

    // The port after every command.
    FUZZ_CHECK(board.control() == ControlValue::Idle);
    FUZZ_CHECK(!board.voltageOn());
    FUZZ_CHECK(board.undefinedControlWrites() == 0);

    // Only Read writes files, and only its own block of its own file.
    const Snapshot after = snapshot();
    s.folder = after;
    if (wParam != IDC_READ || !(boxes.size() == 1 && shows(boxes[0], Message::FileWritten))) {
        FUZZ_CHECK(after == before);
    }
    FUZZ_CHECK(window.endDialogCalls == endsBefore + (wParam == IDCANCEL ? 1 : 0));
    if (wParam == IDOK && window.browseChoice) {
        FUZZ_CHECK(window.fields[IDC_FILENAME] ==
                   window.browseChoice->substr(0, FileNameBufferSize - 1));
    } else {
        FUZZ_CHECK(window.fields[IDC_FILENAME] == fieldBefore);
    }

    const bool refused = !expectedBlock;
    if (refused && (wParam == IDC_READ || wParam == IDC_COMPARE || wParam == IDC_WRITE)) {
        FUZZ_CHECK(boxes.size() == 1 && shows(boxes[0], Message::InvalidParameters));
        FUZZ_CHECK(port.log.empty());
        return;
    }
    const BlockParameters block = expectedBlock.value_or(BlockParameters{});
    const auto blockBytes = std::span(ImageBuffer).first(block.length);
    // Writing and calibrating ask first, before any port access; declined, the question is
    // the only box and nothing reaches the port.
    const auto declined = [&](Message question) {
        FUZZ_CHECK(!boxes.empty() && shows(boxes[0], question));
        FUZZ_CHECK(s.accessesAtBox[0] == 0);
        if (boxes[0].answer == Answer::Yes) {
            return false;
        }
        FUZZ_CHECK(boxes.size() == 1);
        FUZZ_CHECK(port.log.empty());
        return true;
    };

    switch (inTable ? wParam : 0) {
    case 0:
    case IDOK:
    case IDCANCEL:
    case IDC_EXTRA:
        FUZZ_CHECK(boxes.empty());
        FUZZ_CHECK(port.log.empty());
        if (wParam == IDC_EXTRA) {
            FUZZ_CHECK(window.shown.size() == 6);
            for (const auto& [id, visible] : window.shown) {
                FUZZ_CHECK(visible == window.sourceChecked);
            }
        } else {
            FUZZ_CHECK(window.shown.empty());
        }
        break;
    case IDC_BLANK:
        FUZZ_CHECK(boxes.size() == 1);
        FUZZ_CHECK(shows(boxes[0], blank ? Message::RomErased : Message::RomNotErased));
        break;
    case IDC_READ: {
        FUZZ_CHECK(boxes.size() == 1);
        FUZZ_CHECK(!port.log.empty()); // the ROM is read before the name is looked at
        if (s.name.surelyWritable && name == s.name.text) {
            FUZZ_CHECK(shows(boxes[0], Message::FileWritten));
        }
        if (name.size() > MaxCommandFileName || !nativeName(name)) {
            FUZZ_CHECK(shows(boxes[0], Message::FileWriteError));
        }
        if (shows(boxes[0], Message::FileWritten)) {
            // The named file holds what the board showed, in its block and nowhere else.
            FUZZ_CHECK(boardShows(board, block, blockBytes.data()));
            const std::string path = fs::path(*nativeName(name)).string();
            const auto it = after.find(path);
            FUZZ_CHECK(it != after.end() && it->second.has_value());
            const Bytes& now = *it->second;
            const auto old = before.find(path);
            const Bytes empty;
            const Bytes& was = old != before.end() && old->second ? *old->second : empty;
            const std::size_t end = std::size_t{block.fileOffset} + block.length;
            FUZZ_CHECK(now.size() == std::max(was.size(), end));
            FUZZ_CHECK(
                std::equal(blockBytes.begin(), blockBytes.end(), now.begin() + block.fileOffset));
            const std::size_t headEnd = std::min<std::size_t>(was.size(), block.fileOffset);
            FUZZ_CHECK(std::equal(was.begin(), was.begin() + headEnd, now.begin()));
            if (end < was.size()) {
                FUZZ_CHECK(std::equal(was.begin() + end, was.end(), now.begin() + end));
            }
            Snapshot othersBefore = before;
            Snapshot othersAfter = after;
            othersBefore.erase(path);
            othersAfter.erase(path);
            FUZZ_CHECK(othersBefore == othersAfter);
        } else {
            FUZZ_CHECK(shows(boxes[0], Message::FileWriteError));
        }
        break;
    }
    case IDC_COMPARE:
        FUZZ_CHECK(boxes.size() == 1);
        if (!readableBlock(name, block)) {
            FUZZ_CHECK(shows(boxes[0], Message::FileReadError));
            FUZZ_CHECK(port.log.empty());
        } else {
            const Bytes file = readFile(fs::path(*nativeName(name)));
            const bool same = boardShows(board, block, file.data() + block.fileOffset);
            FUZZ_CHECK(shows(boxes[0], same ? Message::DataMatch : Message::CompareError));
        }
        break;
    case IDC_WRITE: {
        if (!readableBlock(name, block)) {
            FUZZ_CHECK(boxes.size() == 1 && shows(boxes[0], Message::FileReadError));
            FUZZ_CHECK(port.log.empty());
            break;
        }
        if (declined(Message::ConfirmWrite)) {
            break;
        }
        const Bytes file = readFile(fs::path(*nativeName(name)));
        FUZZ_CHECK(
            std::equal(blockBytes.begin(), blockBytes.end(), file.begin() + block.fileOffset));
        if (emulatorTicked) {
            FUZZ_CHECK(boxes.size() == 4);
            FUZZ_CHECK(shows(boxes[1], Message::EmulatorToWrite));
            FUZZ_CHECK(shows(boxes[2], Message::EmulatorToRead));
            FUZZ_CHECK(s.accessesAtBox[1] == 0); // the load waits for the switch to write
            FUZZ_CHECK(s.accessesAtBox[2] > 0);  // and is done before the switch back
            FUZZ_CHECK(s.accessesAtBox[3] > s.accessesAtBox[2]); // verified afterwards
            FUZZ_CHECK(board.pulses() == pulsesBefore);          // the emulator takes no pulses
        } else {
            FUZZ_CHECK(boxes.size() == 2);
        }
        const bool verified = boardShows(board, block, blockBytes.data());
        FUZZ_CHECK(shows(boxes.back(), verified ? Message::WriteDone : Message::WriteError));
        break;
    }
    case IDC_CALIBRATE:
        if (declined(Message::RemoveRom)) {
            break;
        }
        FUZZ_CHECK(boxes.size() == 2);
        FUZZ_CHECK(shows(boxes[1], timerAnswers ? Message::VoltageOn : Message::TimerError));
        break;
    default:
        FUZZ_CHECK(false);
    }
}

Answer answerCode(char c) {
    switch (c) {
    case 'y':
        return Answer::Yes;
    case 'n':
        return Answer::No;
    case 'o':
        return Answer::Ok;
    default:
        return Answer::Other;
    }
}

void fillFromSeed(sim::RomImage& image, std::string_view seed) {
    if (seed.empty()) {
        image.fill(ErasedByte);
        return;
    }
    const Bytes bytes = pattern(RomSize, parseNumber(seed));
    std::copy(bytes.begin(), bytes.end(), image.begin());
}

} // namespace
} // namespace rfprog::fuzz

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    using namespace rfprog::fuzz;
    // A memory file system where there is one: the runs create and patch files all the time.
    std::error_code failed;
    const fs::path memory = "/dev/shm";
    const fs::path base = fs::is_directory(memory, failed) ? memory : fs::temp_directory_path();
    Folder = base / ("rfprog-fuzz-" + std::to_string(::getpid()));
    fs::remove_all(Folder);
    fs::create_directories(Folder);
    std::atexit([] {
        std::error_code ignored;
        fs::remove_all(Folder, ignored);
    });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace rfprog;
    using namespace rfprog::fuzz;
    resetFolder();
    Session s;
    s.window.fields[IDC_FILENAME] = s.name.text;
    s.window.fields8[IDC_FILE_OFFSET] = "0";
    s.window.fields8[IDC_ROM_OFFSET] = "0";
    s.window.fields8[IDC_LENGTH] = "800";
    int commands = 0;
    for (const std::string_view line : splitLines(data, size)) {
        if (line.empty()) {
            continue;
        }
        const std::string_view rest = line.substr(1);
        switch (line[0]) {
        case 'C':
            if (commands++ < MaxCommandsPerRun) {
                checkCommand(s, parseNumber(rest));
            }
            break;
        case 'X':
        case 'E': {
            const int id = line[0] == 'X' ? IDC_EXTRA : IDC_EMULATOR;
            if (rest == "1") {
                s.window.checked.insert(id);
            } else {
                s.window.checked.erase(id);
            }
            break;
        }
        case 'K':
            s.window.sourceChecked = rest == "1";
            break;
        case '1':
        case '2':
        case '3': {
            const int ids[] = {IDC_FILE_OFFSET, IDC_ROM_OFFSET, IDC_LENGTH};
            s.window.fields8[ids[line[0] - '1']] = std::string(rest);
            break;
        }
        case 'N':
            s.name = chooseName(rest);
            s.window.fields[IDC_FILENAME] = s.name.text;
            break;
        case 'O':
            if (rest.empty()) {
                s.window.browseChoice.reset();
            } else {
                s.window.browseChoice = chooseName(rest).text;
            }
            break;
        case 'A':
            for (const char c : rest) {
                s.window.answers.push_back(answerCode(c));
            }
            break;
        case 'B': {
            const std::size_t split = std::min(rest.find(';'), rest.size());
            s.board.faults = {};
            s.board.timerAnswersOnRead = 1;
            sim::applySettings(s.board, rest.substr(0, split),
                               split < rest.size() ? rest.substr(split + 1) : std::string_view());
            // The oracle above knows the stuck data bits only: the address, short and flaky
            // faults are the board model's own tests' business.
            s.board.faults.shortCount = 0;
            s.board.faults.flakyCount = 0;
            s.board.faults.addressStuckAtZero = 0;
            s.board.faults.addressStuckAtOne = 0;
            break;
        }
        case 'P':
            s.board.emulatorPlugged = !s.board.emulatorPlugged;
            break;
        case 'R':
            fillFromSeed(s.board.rom, rest);
            break;
        case 'M':
            fillFromSeed(s.board.emulator, rest);
            break;
        case 'W': {
            const std::size_t colon = rest.find(':');
            if (colon == std::string_view::npos) {
                break;
            }
            const std::u16string file = safeComponent(rest.substr(0, colon));
            const auto path = nativeName(file);
            if (!path || *path == "." || *path == ".." || *path == "dir") {
                break;
            }
            const std::uint32_t bytes = std::min(
                parseNumber(std::string("0x").append(rest.substr(colon + 1))), MaxFileSize);
            std::error_code failed;
            const fs::path target = Folder / fs::path(*path);
            if (fs::is_directory(target, failed)) {
                break;
            }
            writeFile(target, pattern(bytes, static_cast<unsigned>(line.size())));
            s.folder.reset();
            break;
        }
        default:
            break;
        }
    }
    return 0;
}
