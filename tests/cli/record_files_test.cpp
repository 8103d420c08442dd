// Intel HEX and S-record files on the simulated board: where a block lands (the file's
// base stands for ROM 0), the bytes a file leaves out (kept in the ROM, not compared),
// the files read writes, and the files that are refused before the port is opened.
#include "tests/cli/cli_test_support.h"

namespace rfprog::test {
namespace {

using RecordFilesTest = CliTest;

TEST_F(RecordFilesTest, HexWriteLeavesTheBytesTheFileLeavesOutAndVerifyComparesTheRest) {
    // A monitor at F808h-FFFFh: its base is F800h, so it lands at ROM 8. The ROM's first
    // eight bytes are programmed already and would need erasing if they were compared.
    const Bytes image = pattern(RomSize, 3);
    const fs::path file = folder / "monitor.hex";
    writeFile(file, bytesOf(intelFile(0xF808, Bytes(image.begin() + 8, image.end()))));
    auto rom0 = erased();
    std::fill_n(rom0.begin(), 8, 0x00);
    writeFile(rom, rom0);

    const CliResult written = run({"write", file.string()});
    EXPECT_EQ(written.status, 0) << written.err;
    // Every byte the file defines over the erased ROM needs a pulse, but an FFh.
    const auto held = std::count(image.begin() + 8, image.end(), 0xFF);
    EXPECT_EQ(withoutChecksums(written.out),
              "write: 2040 bytes at ROM 0x000 verified: " + std::to_string(RomSize - 8 - held) +
                  " programmed, " + std::to_string(held) +
                  " already held, file address 0xF800; 8 bytes not in the file left as they "
                  "were\n");
    EXPECT_EQ(written.err, "");
    auto expected = image;
    std::fill_n(expected.begin(), 8, 0x00);
    EXPECT_EQ(readFile(rom), expected);

    const CliResult verified = run({"verify", file.string(), "--trace", trace.string()});
    EXPECT_EQ(verified.status, 0) << verified.err;
    EXPECT_EQ(withoutChecksums(verified.out),
              "verify: 2040 bytes at ROM 0x000 match the file, file address 0xF800; "
              "8 bytes not in the file not compared\n");
    // The whole block is read, as for a raw file that matches.
    CoreRun core;
    std::copy(expected.begin(), expected.end(), core.board.rom.begin());
    EXPECT_EQ(core.device.verifyRomBlock(expected, 0), 0);
    EXPECT_EQ(traceFile(), core.programTrace());

    // ROM offset 100h, length 10h: the file's F900h-F90Fh, every byte defined.
    const CliResult part =
        run({"verify", file.string(), "--rom-offset", "0x100", "--length", "0x10"});
    EXPECT_EQ(part.status, 0) << part.err;
    EXPECT_EQ(withoutChecksums(part.out),
              "verify: 16 bytes at ROM 0x100 match the file, file address 0xF900\n");

    // A difference where the file defines the byte counts among the bytes compared; one
    // where it does not is no difference.
    auto changed = expected;
    changed[0x3] = 0x5A;
    changed[0x105] ^= 0x01;
    writeFile(rom, changed);
    const CliResult differs = run({"verify", file.string()});
    EXPECT_EQ(differs.status, 1);
    EXPECT_EQ(differs.out.substr(0, differs.out.find("bits read")),
              "verify: the ROM differs from the file\n0x105: file " + hexText(image[0x105], 2) +
                  ", ROM " + hexText(changed[0x105], 2) + "\ndiffering bytes: 1 of 2040\n");
}

TEST_F(RecordFilesTest, AFileAtTheRomsBaseFillsItAndTheFileOffsetNamesAnAddress) {
    const Bytes image = pattern(RomSize, 6);
    const fs::path file = folder / "monitor.s19";
    // The same bytes as S1 records, from F800h, with no end record: a warning only.
    std::string text;
    for (std::size_t at = 0; at < RomSize; at += 32) {
        const std::uint32_t address = 0xF800 + static_cast<std::uint32_t>(at);
        unsigned sum = 35 + (address >> 8) + (address & 0xFF);
        text += "S123" + hexText(address, 4);
        for (std::size_t i = 0; i < 32; ++i) {
            text += hexText(image[at + i], 2);
            sum += image[at + i];
        }
        text += hexText(~sum & 0xFF, 2) + "\n";
    }
    writeFile(file, bytesOf(text));
    const std::string warning = "rfprog-cli: " + file.string() +
                                ":64: warning: the file ends without an end record; it may be "
                                "incomplete\n";

    const CliResult written = run({"write", file.string()});
    EXPECT_EQ(written.status, 0) << written.err;
    const auto held = std::count(image.begin(), image.end(), 0xFF);
    EXPECT_EQ(withoutChecksums(written.out),
              "write: 2048 bytes at ROM 0x000 verified: " + std::to_string(RomSize - held) +
                  " programmed, " + std::to_string(held) + " already held, file address 0xF800\n");
    EXPECT_EQ(written.err, warning);
    EXPECT_EQ(readFile(rom), image);

    // An explicit address, and a name whose extension says nothing with --format.
    const fs::path renamed = folder / "monitor.txt";
    fs::copy_file(file, renamed);
    const CliResult given = run({"verify", renamed.string(), "--format", "srec", "--file-offset",
                                 "0xFC00", "--rom-offset", "0x400", "--length", "0x400"});
    EXPECT_EQ(given.status, 0) << given.err;
    EXPECT_EQ(withoutChecksums(given.out),
              "verify: 1024 bytes at ROM 0x400 match the file, file address 0xFC00\n");
    // --format raw takes the text itself as the bytes.
    const CliResult raw = run({"verify", file.string(), "--format", "raw", "--length", "4"});
    EXPECT_EQ(raw.status, 1);
    const std::string firstDifference = "verify: the ROM differs from the file\n0x000: file 53,";
    EXPECT_EQ(raw.out.substr(0, firstDifference.size()), firstDifference);
}

TEST_F(RecordFilesTest, ReadIntoANewFileWritesTheBlocksRecords) {
    Bytes rom0(RomSize);
    for (std::size_t i = 0; i < RomSize; ++i) {
        rom0[i] = static_cast<std::uint8_t>(i);
    }
    writeFile(rom, rom0);
    const auto readInto = [&](const std::string& name, std::vector<std::string> options) {
        const fs::path file = folder / name;
        options.insert(options.begin(),
                       {"read", file.string(), "--rom-offset", "0x100", "--length", "0x14"});
        const CliResult result = run(options);
        EXPECT_EQ(result.status, 0) << result.err;
        return std::make_pair(result.out, textOf(readFile(file)));
    };

    // A new file's base is 0: the block keeps its ROM address.
    const auto hex = readInto("new.hex", {});
    EXPECT_EQ(withoutChecksums(hex.first), "read: 20 bytes from ROM 0x100 written into " +
                                               (folder / "new.hex").string() +
                                               " at address 0x0100\n");
    EXPECT_EQ(hex.second, ":10010000000102030405060708090A0B0C0D0E0F77\n"
                          ":0401100010111213A5\n"
                          ":00000001FF\n");
    const auto srec = readInto("new.srec", {});
    EXPECT_EQ(srec.second, "S0030000FC\n"
                           "S1130100000102030405060708090A0B0C0D0E0F73\n"
                           "S107011010111213A1\n"
                           "S5030002FA\n"
                           "S9030000FC\n");
    // Past 64 KB: an 04 record where the upper address changes.
    const auto far = readInto("far.ihx", {"--file-offset", "0x1FFF8"});
    EXPECT_EQ(withoutChecksums(far.first), "read: 20 bytes from ROM 0x100 written into " +
                                               (folder / "far.ihx").string() +
                                               " at address 0x1FFF8\n");
    EXPECT_EQ(far.second, ":020000040001F9\n"
                          ":08FFF8000001020304050607E5\n"
                          ":020000040002F8\n"
                          ":0C00000008090A0B0C0D0E0F1011121352\n"
                          ":00000001FF\n");
    EXPECT_EQ(readFile(rom), rom0);
}

TEST_F(RecordFilesTest, ReadIntoAnExistingFileReplacesOnlyTheBlocksRange) {
    Bytes rom0(RomSize);
    for (std::size_t i = 0; i < RomSize; ++i) {
        rom0[i] = static_cast<std::uint8_t>(i);
    }
    writeFile(rom, rom0);

    // Base F800h: ROM 104h-10Bh is the file's F904h-F90Bh, inside its second record,
    // which is cut around it; CRLF line ends are kept.
    const fs::path hex = folder / "dump.hex";
    writeFile(hex, bytesOf(":10F8000000000000000000000000000000000000F8\r\n"
                           ":10F9000000000000000000000000000000000000F7\r\n"
                           ":00000001FF\r\n"));
    const CliResult intel = run({"read", hex.string(), "--rom-offset", "0x104", "--length", "8"});
    EXPECT_EQ(intel.status, 0) << intel.err;
    EXPECT_EQ(withoutChecksums(intel.out),
              "read: 8 bytes from ROM 0x104 written into " + hex.string() + " at address 0xF904\n");
    EXPECT_EQ(textOf(readFile(hex)), ":10F8000000000000000000000000000000000000F8\r\n"
                                     ":04F900000000000003\r\n"
                                     ":04F90C0000000000F7\r\n"
                                     ":08F904000405060708090A0BBF\r\n"
                                     ":00000001FF\r\n");

    // The header, the records outside the block and the end stay; the count is redone.
    const fs::path srec = folder / "dump.mot";
    writeFile(srec, bytesOf("S00600004844521B\n"
                            "S1130000FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFC\n"
                            "S1130010FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFEC\n"
                            "S5030002FA\n"
                            "S9030000FC\n"));
    const CliResult s = run({"read", srec.string(), "--rom-offset", "0x10", "--length", "16"});
    EXPECT_EQ(s.status, 0) << s.err;
    EXPECT_EQ(withoutChecksums(s.out), "read: 16 bytes from ROM 0x010 written into " +
                                           srec.string() + " at address 0x0010\n");
    EXPECT_EQ(textOf(readFile(srec)), "S00600004844521B\n"
                                      "S1130000FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFC\n"
                                      "S1130010101112131415161718191A1B1C1D1E1F64\n"
                                      "S5030002FA\n"
                                      "S9030000FC\n");
    EXPECT_FALSE(fs::exists(folder / "dump.mot.rfprog-new"));
}

TEST_F(RecordFilesTest, AReadThatCannotReplaceTheFileLeavesTheOldOneWhole) {
    const fs::path hex = folder / "dump.hex";
    const fs::path temporary = folder / "dump.hex.rfprog-new";
    const std::string old = ":0400000001020304F2\n:00000001FF\n";
    struct Case {
        const char* what;
        void (*block)(const fs::path& temporary);
        bool temporaryStays; // the folder in the way is not the program's to remove
    };
    const Case cases[] = {
        {"the temporary file's name is taken by a folder",
         [](const fs::path& path) { fs::create_directory(path); }, true},
        {"the temporary file is created, and its disk is full",
         [](const fs::path& path) { fs::create_symlink("/dev/full", path); }, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        writeFile(hex, bytesOf(old));
        c.block(temporary);
        const CliResult result = run({"read", hex.string(), "--length", "4"});
        EXPECT_EQ(result.status, 4);
        EXPECT_EQ(result.out, "");
        EXPECT_EQ(result.err, "rfprog-cli: cannot write " + hex.string() +
                                  ": check the name, the folder, the rights and the free space\n");
        EXPECT_EQ(textOf(readFile(hex)), old);
        EXPECT_EQ(fs::exists(fs::symlink_status(temporary)), c.temporaryStays);
        fs::remove(temporary);
    }
}

TEST_F(RecordFilesTest, EmulatorWriteLoadsTheBytesTheFileLeavesOutAsTheEmulatorHeldThem) {
    const fs::path emulator = folder / "emulator.bin";
    const Bytes held = pattern(RomSize, 2);
    writeFile(emulator, held);
    const fs::path file = folder / "patch.hex";
    writeFile(file, bytesOf(intelFile(0x0010, {0x01, 0x02, 0x03, 0x04})));

    const CliResult result =
        run({"write", file.string(), "--emulator", "--yes", "--length", "0x20"},
            {{"RFPROG_SIM_EMULATOR", emulator.string()}});
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(withoutChecksums(result.out),
              "write: 4 bytes at ROM 0x000 loaded into the emulator and verified, "
              "file address 0x0000; 28 bytes not in the file left as they were\n");
    auto expected = held;
    std::copy_n(Bytes{0x01, 0x02, 0x03, 0x04}.begin(), 4, expected.begin() + 0x10);
    EXPECT_EQ(readFile(emulator), expected);
}

struct BadFile {
    std::string name;
    std::string text;
    std::string error; // after "rfprog-cli: " and the file's path
    std::vector<std::string> options = {};
};

TEST_F(RecordFilesTest, BadFilesAreRefusedWithTheirLineBeforeThePortIsOpened) {
    const std::vector<BadFile> files = {
        {"checksum.hex", ":0400000001020304F2\n:0400040001020304F1\n:00000001FF\n",
         ":2: the record's checksum does not match"},
        {"colon.hex", ":0400000001020304F2\n0400040001020304EE\n", ":2: not a well-formed record"},
        {"odd.hex", ":0400000001020304F\n", ":1: not a well-formed record"},
        {"letter.hex", ":04000000010203G4F2\n", ":1: a character that is not a hexadecimal digit"},
        {"length.hex", ":0500000001020304F2\n", ":1: the record's length disagrees with the line"},
        {"conflict.hex", ":0400000001020304F2\n:0100100055\x39\x41\n:02000200AABB97\n",
         ":3: the record gives an address a different byte than an earlier line does"},
        {"wrap.hex", ":02000004FFFFFC\n:02FFFF000102FD\n:00000001FF\n",
         ":2: the record runs past address 0xFFFFFFFF"},
        {"empty.hex", ":00000001FF\n",
         ": no data in the block: the file defines nothing from address 0x0000 to 0x07FF"},
        {"elsewhere.hex",
         ":0400000001020304F2\n:00000001FF\n",
         ": no data in the block: the file defines nothing from address 0x2000 to 0x200F",
         {"--file-offset", "0x2000", "--length", "16"}},
    };
    auto rom0 = erased();
    rom0[0] = 0x7E;
    writeFile(rom, rom0);
    for (const BadFile& bad : files) {
        SCOPED_TRACE(bad.name);
        const fs::path file = folder / bad.name;
        writeFile(file, bytesOf(bad.text));
        for (const char* operation : {"write", "verify"}) {
            std::vector<std::string> arguments = {operation, file.string(), "--trace",
                                                  trace.string()};
            arguments.insert(arguments.end(), bad.options.begin(), bad.options.end());
            const CliResult result = run(arguments);
            EXPECT_EQ(result.status, 4) << operation;
            EXPECT_EQ(result.out, "");
            EXPECT_EQ(result.err, "rfprog-cli: " + file.string() + bad.error + "\n");
            EXPECT_FALSE(fs::exists(trace)); // the port was never opened
            EXPECT_EQ(readFile(rom), rom0);
            EXPECT_EQ(textOf(readFile(file)), bad.text);
        }
        // read refuses the same faults, and keeps the file as it was; a file without data
        // is one read may fill.
        if (bad.error.starts_with(": no data")) {
            continue;
        }
        const CliResult read = run({"read", file.string(), "--trace", trace.string()});
        EXPECT_EQ(read.status, 4);
        EXPECT_EQ(read.err, "rfprog-cli: " + file.string() + bad.error + "\n");
        EXPECT_FALSE(fs::exists(trace));
        EXPECT_EQ(textOf(readFile(file)), bad.text);
    }

    const fs::path file = folder / "checksum.hex";
    const CliResult russian = run({"write", file.string()}, {{"LANG", "ru_RU.UTF-8"}});
    EXPECT_EQ(russian.status, 4);
    EXPECT_EQ(russian.err,
              "rfprog-cli: " + file.string() + ":2: контрольная сумма записи не совпадает\n");
    const CliResult missing = run({"verify", (folder / "missing.hex").string()});
    EXPECT_EQ(missing.status, 4);
    EXPECT_EQ(missing.err, "rfprog-cli: cannot read " + (folder / "missing.hex").string() +
                               ": it is missing, a directory, or not readable\n");
}

} // namespace
} // namespace rfprog::test
