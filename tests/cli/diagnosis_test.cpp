// What the reports name, on the simulated board: data and address lines only on
// evidence over the block, and the passes of --reads with their port traffic.
#include "tests/cli/cli_test_support.h"

#include <algorithm>

namespace rfprog::test {
namespace {

using DiagnosisTest = CliTest;

// The false diagnosis of old: one programmed byte made every bit it holds at 0 look like
// a stuck data line.
TEST_F(DiagnosisTest, OneProgrammedByteNamesNoDataLine) {
    auto rom0 = erased();
    rom0[0] = 0x03;
    writeFile(rom, rom0);
    const CliResult result = run({"blank"});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.out, "blank: the ROM is not blank\n"
                          "0x000: ROM 03 instead of FF\n"
                          "differing bytes: 1 of 2048\n"
                          "bits read as 0 instead of 1: 6; read as 1 instead of 0: 0\n");
}

TEST_F(DiagnosisTest, AStuckDataBitOverTheWholeBlockIsStillNamed) {
    // An erased ROM read through the stuck bit reads EFh throughout: one value, which
    // names no line.
    const Environment stuck = {{"RFPROG_SIM_FAULTS", "stuck0=10"}};
    const CliResult uniform = run({"blank"}, stuck);
    EXPECT_EQ(uniform.status, 1);
    EXPECT_EQ(lineCount(uniform.out, "always reads"), 0u) << uniform.out;

    // With three bytes programmed besides, the stuck bit accounts for all the others.
    auto rom0 = erased();
    for (const std::size_t address : {0x100U, 0x200U, 0x300U}) {
        rom0[address] = 0x00;
    }
    writeFile(rom, rom0);
    const CliResult result = run({"blank"}, stuck);
    EXPECT_EQ(result.status, 1);
    EXPECT_NE(result.out.find("differing bytes: 2048 of 2048\n"
                              "bits read as 0 instead of 1: 2069; read as 1 instead of 0: 0\n"
                              "data bit 4 always reads 0: stuck line or open contact?\n"),
              std::string::npos)
        << result.out;
    EXPECT_EQ(lineCount(result.out, "always reads"), 1u);

    // In Russian the same line.
    const CliResult russian =
        run({"blank"}, {{"RFPROG_SIM_FAULTS", "stuck0=10"}, {"LANG", "ru_RU.UTF-8"}});
    EXPECT_EQ(lastLine(russian.out),
              "бит данных 4 всегда читается как 0: залипшая линия или нет контакта?");
}

// One value read at every compared address names no line; the report says what it means,
// after a write and an emulator load what to check.
struct UniformCase {
    std::vector<std::string> arguments; // after --port; "FILE" stands for the image
    std::uint8_t romByte;               // what the ROM holds throughout
    Environment environment;
    std::string tail; // the report's last lines
};

TEST_F(DiagnosisTest, OneValueThroughoutIsExplainedAndNamesNoLine) {
    const std::string erased = "every compared byte reads FF: an erased or missing chip, or no "
                               "board answering; no line is to blame for that\n";
    const UniformCase cases[] = {
        {{"write", "FILE"},
         0xFF,
         {{"RFPROG_SIM_FAULTS", "unprogrammable"}},
         erased + "no byte took: check the programming voltage, the timer (rfprog-cli timer), "
                  "and the chip's seating and type\n"},
        {{"write", "FILE", "--emulator", "-y"}, // no emulator plugged in: the ROM answers
         0xFF,
         {},
         erased + "the emulator did not answer: is it plugged in and switched to READ?\n"},
        {{"write", "FILE", "--emulator", "-y"},
         0xFF,
         {{"RFPROG_SIM_FAULTS", "absent"}, {"LANG", "ru_RU.UTF-8"}},
         "все сравнённые байты читаются как FF: микросхема стёрта или её нет, либо плата не "
         "отвечает; линии тут ни при чём\n"
         "эмулятор не ответил: подключён ли он и переключён ли на чтение?\n"},
        {{"verify", "FILE"}, 0xFF, {}, erased},
        {{"verify", "FILE"},
         0x5A,
         {},
         "every compared byte reads 5A: the board's data path reads 5A everywhere; no single "
         "line is to blame for that\n"},
        {{"blank"},
         0x00,
         {},
         "every compared byte reads 00: the board's data path reads 00 everywhere; no single "
         "line is to blame for that\n"},
        {{"blank"},
         0x00,
         {{"LANG", "ru_RU.UTF-8"}},
         "все сравнённые байты читаются как 00: тракт данных платы везде читает 00; отдельная "
         "линия тут ни при чём\n"},
    };
    const fs::path file = folder / "image.bin";
    writeFile(file, pattern(RomSize, 7));
    for (const UniformCase& row : cases) {
        SCOPED_TRACE(row.arguments[0] + " " + row.tail);
        writeFile(rom, std::vector<std::uint8_t>(RomSize, row.romByte));
        std::vector<std::string> arguments = row.arguments;
        std::replace(arguments.begin(), arguments.end(), std::string("FILE"), file.string());
        const CliResult result = run(arguments, row.environment);
        EXPECT_EQ(result.status, 1);
        ASSERT_GE(result.out.size(), row.tail.size());
        EXPECT_EQ(result.out.substr(result.out.size() - row.tail.size()), row.tail) << result.out;
        EXPECT_EQ(lineCount(result.out, "data bit"), 0u);
        EXPECT_EQ(lineCount(result.out, "address line"), 0u);
        EXPECT_EQ(lineCount(result.out, "бит данных"), 0u);
    }
}

TEST_F(DiagnosisTest, ARomThatAliasesAcrossAnAddressLineNamesIt) {
    // What a board with A4 stuck at 0 leaves in the ROM: each address holds what the file
    // has at the address with A4 cleared.
    const auto image = pattern(RomSize, 3);
    auto rom0 = image;
    for (std::size_t address = 0; address < RomSize; ++address) {
        rom0[address] = image[address & ~std::size_t{0x10}];
    }
    writeFile(rom, rom0);
    const fs::path file = folder / "image.bin";
    writeFile(file, image);

    const CliResult result = run({"verify", file.string()});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(lastLine(result.out), "address line A4: the ROM reads the same at addresses that "
                                    "differ only in A4: stuck or open line?");
    EXPECT_EQ(lineCount(result.out, "address line"), 1u);
    EXPECT_EQ(lineCount(result.out, "data bit"), 0u);

    const CliResult russian = run({"verify", file.string()}, {{"LANG", "ru_RU.UTF-8"}});
    EXPECT_EQ(lastLine(russian.out), "адресная линия A4: ПЗУ читается одинаково по адресам, "
                                     "которые различаются только в A4: залипшая линия или "
                                     "обрыв?");
}

TEST_F(DiagnosisTest, ReadMakesTwoPassesByDefaultAndAsManyAsAsked) {
    const auto rom0 = pattern(RomSize, 6);
    writeFile(rom, rom0);
    const fs::path image = folder / "image.bin";
    for (const unsigned passes : {1u, 2u, 16u}) {
        SCOPED_TRACE(passes);
        std::vector<std::string> arguments = {"read",    image.string(), "--rom-offset",
                                              "0x7C0",   "--length",     "64",
                                              "--trace", trace.string()};
        if (passes != 2) {
            arguments.insert(arguments.end(), {"--reads", std::to_string(passes)});
        }
        const CliResult result = run(arguments);
        EXPECT_EQ(result.status, 0) << result.err;
        EXPECT_EQ(withoutChecksums(result.out), "read: 64 bytes from ROM 0x7C0 written into " +
                                                    image.string() + " at offset 0x0\n");
        EXPECT_EQ(readFile(image), Bytes(rom0.begin() + 0x7C0, rom0.end()));
        CoreRun core;
        std::copy(rom0.begin(), rom0.end(), core.board.rom.begin());
        std::vector<std::uint8_t> block(64);
        for (unsigned pass = 0; pass < passes; ++pass) {
            core.device.readRomBlock(block, 0x7C0);
        }
        EXPECT_EQ(traceFile(), core.programTrace());
    }
}

TEST_F(DiagnosisTest, VerifyBlankAndTheWritesVerificationTakeTheirPassesThePreCheckOne) {
    const auto image = pattern(0x80, 2);
    const fs::path file = folder / "image.bin";
    writeFile(file, image);

    const CliResult written = run(
        {"write", file.string(), "--length", "0x80", "--reads", "3", "--trace", trace.string()});
    EXPECT_EQ(written.status, 0) << written.err;
    // On the erased ROM every byte but an FFh gets its pulse.
    const auto held = std::count(image.begin(), image.end(), 0xFF);
    EXPECT_EQ(withoutChecksums(written.out),
              "write: 128 bytes at ROM 0x000 verified: " + std::to_string(0x80 - held) +
                  " programmed, " + std::to_string(held) + " already held\n");
    CoreRun core;
    std::vector<std::uint8_t> block(0x80);
    core.device.readRomBlock(block, 0); // the pre-check, once
    std::array<bool, 0x80> pulse{};
    for (std::size_t i = 0; i < image.size(); ++i) {
        pulse[i] = image[i] != 0xFF;
    }
    core.device.programSelectedBytes(image, pulse, 0);
    for (int pass = 0; pass < 3; ++pass) {
        core.device.readRomBlock(block, 0);
    }
    EXPECT_EQ(traceFile(), core.programTrace());

    const CliResult verified =
        run({"verify", file.string(), "--length", "0x80", "--reads=2", "--trace", trace.string()});
    EXPECT_EQ(verified.status, 0) << verified.err;
    EXPECT_EQ(withoutChecksums(verified.out), "verify: 128 bytes at ROM 0x000 match the file\n");
    CoreRun twice;
    std::copy(image.begin(), image.end(), twice.board.rom.begin());
    twice.device.readRomBlock(block, 0);
    twice.device.readRomBlock(block, 0);
    EXPECT_EQ(traceFile(), twice.programTrace());

    const CliResult blank = run({"blank", "--rom-offset", "0x80", "--length", "0x80", "--reads",
                                 "0x4", "--trace", trace.string()});
    EXPECT_EQ(blank.status, 0) << blank.err;
    EXPECT_EQ(lineCount(traceFile(), "R 378 "), 4u * 0x80);
}

TEST_F(DiagnosisTest, TheProgressDisplayCountsEveryPass) {
    const fs::path image = folder / "image.bin";
    CliProcess process({"--port", "sim", "read", image.string()}, {}, folder, Streams::Terminal);
    const CliResult result = process.wait();
    EXPECT_EQ(result.status, 0);
    // Half way at the end of the first pass, and full once, at the end of the second.
    EXPECT_NE(result.err.find("read [###############...............]  50%"), std::string::npos)
        << result.err;
    EXPECT_EQ(occurrences(result.err, "100%"), 1u) << result.err;
}

} // namespace
} // namespace rfprog::test
