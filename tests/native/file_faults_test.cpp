// The device commands against awkward files: missing, a directory, read-only, a
// Cyrillic path, names at and past the field's limit, the largest file offset; and a
// seeded property test that Read patches exactly its block and that a failed command
// leaves every file as it was.
#include "device/rom_device.h"
#include "sim/simulated_board.h"
#include "tests/native/fake_window.h"
#include "tests/native/recording_port.h"
#include "tests/support/record_checks.h"
#include "tests/support/test_data.h"
#include "ui/block_parameters.h"
#include "ui/commands.h"
#include "ui/messages.h"
#include "ui/resource_ids.h"

#include <gtest/gtest.h>

#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <optional>
#include <random>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace rfprog::test {
namespace {

using sim::SimulatedBoard;

struct Outcome {
    std::vector<ShownMessage> boxes;
    std::uint64_t portAccesses = 0;
    bool only(Message id) const { return boxes.size() == 1 && shows(boxes[0], id); }
};

class FileFaultsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        for (std::uint32_t i = 0; i < RomSize; ++i) {
            board_.rom[i] = static_cast<std::uint8_t>(i * 71 + 5);
        }
    }
    // Runs one command with the given file-name text; the block fields are used when set.
    Outcome run(int command, const std::u16string& name,
                const std::optional<BlockParameters>& block = std::nullopt,
                Answer writeAnswer = Answer::Yes) {
        FakeWindow window;
        window.fields[IDC_FILENAME] = name;
        if (block) {
            window.checked.insert(IDC_EXTRA);
            window.fields8[IDC_FILE_OFFSET] = hexText(block->fileOffset);
            window.fields8[IDC_ROM_OFFSET] = hexText(block->romOffset);
            window.fields8[IDC_LENGTH] = hexText(block->length);
        }
        window.answers = {writeAnswer}; // the write's question, when shown, comes first
        RecordingPort port(board_);
        RomDevice device(port, fastClock);
        CommandContext context{window, device};
        EXPECT_TRUE(dispatchCommand(context, command));
        EXPECT_EQ(board_.control(), ControlValue::Idle);
        return {window.messages, port.log.size()};
    }

    Bytes romBytes(std::uint32_t offset, std::uint32_t length) const {
        return Bytes(board_.rom.begin() + offset, board_.rom.begin() + offset + length);
    }

    TempFolder temp_{"rfprog-files"};
    const fs::path folder_ = temp_.path();
    SimulatedBoard board_;
};

TEST_F(FileFaultsTest, MissingFile) {
    const fs::path file = folder_ / "missing.bin";
    const Outcome compare = run(IDC_COMPARE, file.u16string());
    EXPECT_TRUE(compare.only(Message::FileReadError));
    EXPECT_EQ(compare.portAccesses, 0u);
    const Outcome write = run(IDC_WRITE, file.u16string());
    EXPECT_TRUE(write.only(Message::FileReadError)); // before the confirmation
    EXPECT_EQ(write.portAccesses, 0u);
    EXPECT_FALSE(fs::exists(file));

    // Read creates it.
    const Outcome read = run(IDC_READ, file.u16string());
    EXPECT_TRUE(read.only(Message::FileWritten));
    EXPECT_EQ(readFile(file), romBytes(0, RomSize));
}

TEST_F(FileFaultsTest, Directory) {
    const fs::path dir = folder_ / "image.bin";
    fs::create_directory(dir);
    for (const std::uint32_t command : {IDC_COMPARE, IDC_WRITE}) {
        const Outcome outcome = run(command, dir.u16string());
        EXPECT_TRUE(outcome.only(Message::FileReadError)) << command;
        EXPECT_EQ(outcome.portAccesses, 0u) << command;
    }
    const Outcome read = run(IDC_READ, dir.u16string());
    EXPECT_TRUE(read.only(Message::FileWriteError));
    EXPECT_GT(read.portAccesses, 0u); // the ROM is read before the name is looked at
    EXPECT_TRUE(fs::is_directory(dir));
    EXPECT_TRUE(fs::is_empty(dir));
}

// Reading from a read-only file works; writing into it must fail and leave it whole.
TEST_F(FileFaultsTest, ReadOnlyFile) {
    const fs::path file = folder_ / "readonly.bin";
    const Bytes original = romBytes(0, RomSize);
    writeFile(file, original);
    fs::permissions(file, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);

    EXPECT_TRUE(run(IDC_COMPARE, file.u16string()).only(Message::DataMatch));

    // The ROM now differs from the file, so a Read that got through would show.
    for (auto& byte : board_.rom) {
        byte = static_cast<std::uint8_t>(~byte);
    }
    if (::geteuid() != 0) {
        EXPECT_TRUE(run(IDC_READ, file.u16string()).only(Message::FileWriteError));
        EXPECT_EQ(readFile(file), original);
        return;
    }
    // Root writes through a read-only mode bit, so the Read runs in a child that has
    // given up root for the unprivileged user; the child reports the message it saw.
    const pid_t child = ::fork();
    ASSERT_NE(child, -1);
    if (child == 0) {
        if (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0 ||
            ::geteuid() == 0) {
            ::_exit(100);
        }
        const Outcome read = run(IDC_READ, file.u16string());
        ::_exit(read.only(Message::FileWriteError) ? 0 : read.only(Message::FileWritten) ? 1 : 2);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    if (WEXITSTATUS(status) == 100) {
        GTEST_SKIP() << "running as root and cannot drop to an unprivileged user, so a "
                        "read-only mode bit would not stop the write";
    }
    EXPECT_EQ(WEXITSTATUS(status), 0) << "1: the Read wrote the file, 2: another message";
    EXPECT_EQ(readFile(file), original);
}

TEST_F(FileFaultsTest, CyrillicPath) {
    const fs::path dir = folder_ / fs::path(u"Образы ПЗУ");
    fs::create_directory(dir);
    const fs::path file = dir / fs::path(u"прошивка №1.bin");
    EXPECT_TRUE(run(IDC_READ, file.u16string()).only(Message::FileWritten));
    EXPECT_EQ(readFile(file), romBytes(0, RomSize));
    EXPECT_TRUE(run(IDC_COMPARE, file.u16string()).only(Message::DataMatch));

    const Bytes image = romBytes(0, RomSize);
    board_.rom.fill(ErasedByte);
    const Outcome write = run(IDC_WRITE, file.u16string());
    ASSERT_EQ(write.boxes.size(), 2u);
    EXPECT_TRUE(shows(write.boxes[0], Message::ConfirmWrite));
    EXPECT_TRUE(shows(write.boxes[1], Message::WriteDone));
    EXPECT_EQ(romBytes(0, RomSize), image);
}

// A name of exactly 259 characters in the field is used; one of 260 is refused as a file
// that cannot be opened, without touching the 260-character file or its 259-character cut.
TEST_F(FileFaultsTest, NameOf259CharactersIsUsedAnd260IsRefused) {
    const std::u16string base = folder_.u16string() + u"/";
    ASSERT_LT(base.size(), 259u - 8u);
    const std::u16string name259 = base + std::u16string(259 - base.size(), u'n');
    const std::u16string name260 = name259 + u"x";
    ASSERT_EQ(name259.size(), 259u);
    ASSERT_EQ(name260.size(), 260u);

    const Outcome read259 = run(IDC_READ, name259);
    EXPECT_TRUE(read259.only(Message::FileWritten));
    EXPECT_EQ(readFile(fs::path(name259)), romBytes(0, RomSize));
    EXPECT_TRUE(run(IDC_COMPARE, name259).only(Message::DataMatch));

    const Bytes other = pattern(RomSize, 9);
    writeFile(fs::path(name260), other);
    const Snapshot before = snapshot(folder_);

    const Outcome read260 = run(IDC_READ, name260);
    EXPECT_TRUE(read260.only(Message::FileWriteError));
    EXPECT_GT(read260.portAccesses, 0u); // the ROM is read first
    for (const std::uint32_t command : {IDC_COMPARE, IDC_WRITE}) {
        const Outcome outcome = run(command, name260);
        EXPECT_TRUE(outcome.only(Message::FileReadError)) << command;
        EXPECT_EQ(outcome.portAccesses, 0u) << command;
    }
    EXPECT_EQ(snapshot(folder_), before);
}

// FFFFFF is the largest file offset; a block written there extends the file.
TEST_F(FileFaultsTest, FileOffsetFFFFFFExtendsTheFile) {
    const fs::path file = folder_ / "far.bin";
    const Bytes head = pattern(0x100, 3);
    writeFile(file, head);
    const BlockParameters far{0xFFFFFF, 0, 0x800};

    // Too short to read there: refused before any port access.
    for (const std::uint32_t command : {IDC_COMPARE, IDC_WRITE}) {
        const Outcome outcome = run(command, file.u16string(), far);
        EXPECT_TRUE(outcome.only(Message::FileReadError)) << command;
        EXPECT_EQ(outcome.portAccesses, 0u) << command;
    }

    EXPECT_TRUE(run(IDC_READ, file.u16string(), far).only(Message::FileWritten));
    EXPECT_EQ(fs::file_size(file), 0xFFFFFFu + 0x800u);
    const Bytes bytes = readFile(file);
    EXPECT_TRUE(std::equal(head.begin(), head.end(), bytes.begin()));
    EXPECT_TRUE(std::equal(bytes.begin() + 0xFFFFFF, bytes.end(), board_.rom.begin()));

    EXPECT_TRUE(run(IDC_COMPARE, file.u16string(), far).only(Message::DataMatch));
    // One past it takes seven digits and is refused before anything is touched.
    const Outcome beyond = run(IDC_READ, file.u16string(), BlockParameters{0x1000000, 0, 0x800});
    EXPECT_TRUE(beyond.only(Message::InvalidParameters));
    EXPECT_EQ(beyond.portAccesses, 0u);
    board_.rom.fill(ErasedByte);
    const Outcome write = run(IDC_WRITE, file.u16string(), far);
    ASSERT_FALSE(write.boxes.empty());
    EXPECT_TRUE(shows(write.boxes.back(), Message::WriteDone));
    EXPECT_TRUE(std::equal(bytes.begin() + 0xFFFFFF, bytes.end(), board_.rom.begin()));
    EXPECT_EQ(fs::file_size(file), 0xFFFFFFu + 0x800u);
}

// Seeded, so that a failure can be replayed: random file sizes, offsets and lengths.
constexpr std::uint32_t PropertySeed = 0x573A2F5;
constexpr int ReadCases = 300;
constexpr int FailureCases = 300;

TEST_F(FileFaultsTest, ReadPatchesExactlyTheBlock) {
    std::mt19937 random(PropertySeed);
    auto below = [&random](std::uint32_t bound) {
        return std::uniform_int_distribution<std::uint32_t>(0, bound - 1)(random);
    };
    const fs::path bystander = folder_ / "bystander.bin";
    writeFile(bystander, pattern(0x1234, 1));
    const fs::path file = folder_ / "image.bin";
    int created = 0;
    int extended = 0;
    int inside = 0;
    for (int n = 0; n < ReadCases; ++n) {
        SCOPED_TRACE("case " + std::to_string(n) + ", seed " + std::to_string(PropertySeed));
        const bool exists = below(8) != 0;
        const std::uint32_t size = exists ? below(0x3000) : 0;
        const Bytes before = pattern(size, n);
        fs::remove(file);
        if (exists) {
            writeFile(file, before);
        }
        const std::uint32_t romOffset = below(RomSize);
        const std::uint32_t length = 1 + below(RomSize - romOffset);
        const std::uint32_t fileOffset = below(10) == 0 ? below(0x100000) : below(size + 0x900);
        for (auto& byte : board_.rom) {
            byte = static_cast<std::uint8_t>(below(256));
        }
        const Snapshot others = [&] {
            Snapshot all = snapshot(folder_);
            all.erase(file.string());
            return all;
        }();

        const Outcome read =
            run(IDC_READ, file.u16string(), BlockParameters{fileOffset, romOffset, length});
        ASSERT_TRUE(read.only(Message::FileWritten));

        const Bytes after = readFile(file);
        const std::size_t end = std::size_t{fileOffset} + length;
        ASSERT_EQ(after.size(), std::max<std::size_t>(size, end));
        // Bytes of the old file outside the block are unchanged; the gap that a block
        // past the end leaves is the file system's, not ours, and is not looked at.
        const std::size_t headEnd = std::min<std::size_t>(size, fileOffset);
        ASSERT_TRUE(std::equal(before.begin(), before.begin() + headEnd, after.begin()));
        if (end < size) {
            ASSERT_TRUE(std::equal(before.begin() + end, before.end(), after.begin() + end));
        }
        ASSERT_TRUE(std::equal(after.begin() + fileOffset, after.begin() + end,
                               board_.rom.begin() + romOffset));
        Snapshot now = snapshot(folder_);
        now.erase(file.string());
        ASSERT_EQ(now, others);
        created += exists ? 0 : 1;
        extended += exists && end > size ? 1 : 0;
        inside += exists && end <= size ? 1 : 0;
    }
    std::cout << "Read property: " << ReadCases << " cases (" << created << " new files, "
              << extended << " extended, " << inside << " patched inside), seed 0x" << std::hex
              << PropertySeed << std::dec << "\n";
    EXPECT_EQ(created + extended + inside, ReadCases);
}

TEST_F(FileFaultsTest, FailedCommandsLeaveEveryFileByteIdentical) {
    std::mt19937 random(PropertySeed + 1);
    auto below = [&random](std::uint32_t bound) {
        return std::uniform_int_distribution<std::uint32_t>(0, bound - 1)(random);
    };
    const char* const kinds[] = {"compare mismatch",
                                 "block past the end of file",
                                 "write answered No",
                                 "write that does not verify",
                                 "invalid block fields",
                                 "read into a directory",
                                 "read into a 260-character name",
                                 "missing file"};
    std::map<std::string, int> counts;
    fs::create_directory(folder_ / "dir");
    const std::u16string base = folder_.u16string() + u"/";
    const std::u16string longName = base + std::u16string(260 - base.size(), u'L');
    const std::u16string longCut = longName.substr(0, 259);

    for (int n = 0; n < FailureCases; ++n) {
        SCOPED_TRACE("case " + std::to_string(n));
        // A fresh set of files of random sizes, the 259-character cut of the long name
        // among them, and a fresh ROM.
        for (const char* name : {"a.bin", "b.bin", "c.bin"}) {
            writeFile(folder_ / name, pattern(below(0x2000), n));
        }
        writeFile(fs::path(longCut), pattern(below(0x1000), n + 7));
        board_ = SimulatedBoard();
        for (auto& byte : board_.rom) {
            byte = static_cast<std::uint8_t>(below(256));
        }
        const fs::path target = folder_ / (below(2) == 0 ? "a.bin" : "b.bin");
        const std::uint32_t size = static_cast<std::uint32_t>(fs::file_size(target));
        const std::uint32_t romOffset = below(RomSize);
        const std::uint32_t length = 1 + below(RomSize - romOffset);
        const std::uint32_t fitting = size >= length ? below(size - length + 1) : 0;
        const Snapshot before = snapshot(folder_);

        const std::uint32_t kind = below(static_cast<std::uint32_t>(std::size(kinds)));
        Outcome outcome;
        Message expected = Message::InvalidParameters;
        switch (kind) {
        case 0: { // the ROM block differs from the file block in one byte
            if (size < length) {
                continue;
            }
            const Bytes bytes = readFile(target);
            std::copy_n(bytes.begin() + fitting, length, board_.rom.begin() + romOffset);
            board_.rom[romOffset + below(length)] ^= static_cast<std::uint8_t>(1 + below(255));
            outcome =
                run(IDC_COMPARE, target.u16string(), BlockParameters{fitting, romOffset, length});
            expected = Message::CompareError;
            break;
        }
        case 1: {
            const std::uint32_t past = size - std::min(size, length) + 1 + below(0x1000);
            outcome = run(below(2) == 0 ? IDC_COMPARE : IDC_WRITE, target.u16string(),
                          BlockParameters{past, romOffset, length});
            expected = Message::FileReadError;
            break;
        }
        case 2: {
            if (size < length) {
                continue;
            }
            outcome =
                run(IDC_WRITE, target.u16string(), BlockParameters{fitting, romOffset, length},
                    below(2) == 0 ? Answer::No : Answer::Other); // No, or the box closed
            ASSERT_EQ(outcome.boxes.size(), 1u);
            EXPECT_TRUE(shows(outcome.boxes[0], Message::ConfirmWrite));
            EXPECT_EQ(outcome.portAccesses, 0u);
            ++counts[kinds[kind]];
            EXPECT_EQ(snapshot(folder_), before);
            continue;
        }
        case 3: {
            if (size < length) {
                continue;
            }
            board_.faults.unprogrammable = true;
            board_.rom.fill(0x00); // nothing can be raised back to 1 either
            const Bytes bytes = readFile(target);
            if (std::all_of(bytes.begin() + fitting, bytes.begin() + fitting + length,
                            [](std::uint8_t b) { return b == 0; })) {
                continue;
            }
            outcome =
                run(IDC_WRITE, target.u16string(), BlockParameters{fitting, romOffset, length});
            expected = Message::WriteError;
            break;
        }
        case 4: {
            FakeWindow window;
            window.fields[IDC_FILENAME] = target.u16string();
            window.checked.insert(IDC_EXTRA);
            const std::string bad[] = {"", " 1", "1h", "0x10", "-1", "abc", "1000000", "0"};
            window.fields8[IDC_FILE_OFFSET] = below(2) == 0 ? hexText(fitting) : bad[below(7)];
            window.fields8[IDC_ROM_OFFSET] = hexText(romOffset);
            window.fields8[IDC_LENGTH] =
                below(2) == 0 ? bad[below(8)] : hexText(RomSize - romOffset + 1);
            RecordingPort port(board_);
            RomDevice device(port, fastClock);
            CommandContext context{window, device};
            const std::uint32_t commands[] = {IDC_READ, IDC_COMPARE, IDC_WRITE};
            EXPECT_TRUE(dispatchCommand(context, commands[below(3)]));
            outcome = {window.messages, port.log.size()};
            EXPECT_EQ(outcome.portAccesses, 0u);
            expected = Message::InvalidParameters;
            break;
        }
        case 5:
            outcome = run(IDC_READ, (folder_ / "dir").u16string(),
                          BlockParameters{fitting, romOffset, length});
            expected = Message::FileWriteError;
            break;
        case 6:
            outcome = run(IDC_READ, longName, BlockParameters{fitting, romOffset, length});
            expected = Message::FileWriteError;
            break;
        default:
            outcome =
                run(below(2) == 0 ? IDC_COMPARE : IDC_WRITE, (folder_ / "nothing.bin").u16string(),
                    BlockParameters{fitting, romOffset, length});
            expected = Message::FileReadError;
            break;
        }
        ASSERT_EQ(outcome.boxes.size(), expected == Message::WriteError ? 2u : 1u) << kinds[kind];
        EXPECT_TRUE(shows(outcome.boxes.back(), expected)) << kinds[kind];
        EXPECT_EQ(snapshot(folder_), before) << kinds[kind];
        ++counts[kinds[kind]];
    }
    int total = 0;
    std::cout << "Failed-command property:";
    for (const auto& [kind, count] : counts) {
        std::cout << " " << kind << " " << count << ";";
        total += count;
    }
    std::cout << " total " << total << " of " << FailureCases << " drawn, seed 0x" << std::hex
              << PropertySeed + 1 << std::dec << "\n";
    EXPECT_EQ(counts.size(), std::size(kinds)); // every kind of failure was drawn
}

} // namespace
} // namespace rfprog::test
