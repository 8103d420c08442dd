// Command lines, settings and files that the program refuses: each gets its exit status
// and one clear error, and nothing is touched (no port access, no file written).
#include "tests/cli/cli_test_support.h"

namespace rfprog::test {
namespace {

using UsageTest = CliTest;

struct Refusal {
    std::vector<std::string> arguments;
    std::string error;
};

TEST_F(UsageTest, BadCommandLinesExitTwoWithOneErrorAndTouchNothing) {
    const std::vector<Refusal> refusals = {
        {{}, "no operation given"},
        {{"--bogus", "blank"}, "unknown option --bogus"},
        {{"blank", "--length"}, "option --length needs a value"},
        {{"frobnicate"}, "unknown operation frobnicate"},
        {{"read"}, "read needs a FILE"},
        {{"blank", "extra"}, "unexpected argument extra"},
        {{"blank", "--length", "12x"}, "--length 12x: not a number"},
        {{"blank", "--length=0x"}, "--length 0x: not a number"},
        {{"blank", "--length", "-1"}, "--length -1: not a number"},
        // A value given empty is refused, not taken for the default.
        {{"blank", "--length="}, "--length : not a number"},
        {{"blank", "--rom-offset", ""}, "--rom-offset : not a number"},
        {{"read", "f", "--file-offset="}, "--file-offset : not a number"},
        {{"blank", "--port", "0x378", "--ecr="}, "--ecr : an address from 0x100 to 0xFFFF"},
        {{"blank", "--length", "0"}, "--length 0: a block holds at least one byte"},
        {{"blank", "--length", "0x801"}, "--length 0x801: too large: at most 0x800"},
        {{"blank", "--rom-offset", "0x800"}, "--rom-offset 0x800: too large: at most 0x7FF"},
        // A number past 32 bits is still a number.
        {{"blank", "--length", "4294967297"}, "--length 4294967297: too large: at most 0x800"},
        {{"read", "f", "--file-offset", "0x1000000"},
         "--file-offset 0x1000000: too large: at most 0xFFFFFF"},
        {{"read", "f.hex", "--format", "raw", "--file-offset", "0x1000000"},
         "--file-offset 0x1000000: too large: at most 0xFFFFFF"},
        {{"read", "f.hex", "--file-offset", "0xFFFFFFFF", "--length", "2"},
         "file offset 0xFFFFFFFF + length 2 is more than 0x100000000"},
        {{"verify", "f", "--format", "ihex", "--file-offset", "0xFFFFF801"},
         "the block runs past the record file's 32-bit addresses: file offset 0xFFFFF801 + length "
         "0x800 is more than 0x100000000"},
        {{"write", "f.hex", "--format", "hex"}, "--format hex: use raw, ihex or srec"},
        {{"blank", "--format", "raw"}, "option --format does not apply to blank"},
        {{"blank", "--rom-offset", "1"}, "ROM offset 1 + length 0x800 is more than 0x800"},
        {{"verify", "f", "--rom-offset", "0x7FF", "--length=2"},
         "ROM offset 0x7FF + length 2 is more than 0x800"},
        {{"timer", "--length", "1"}, "option --rom-offset/--file-offset/--length does not apply"},
        {{"selftest", "f"}, "unexpected argument f"},
        {{"selftest", "--file-offset", "1"},
         "option --rom-offset/--file-offset/--length does not apply to selftest"},
        {{"selftest", "--emulator"}, "option --emulator does not apply to selftest"},
        {{"selftest", "--hold"}, "option --hold does not apply to selftest"},
        {{"verify", "f", "--hold"}, "option --hold does not apply to verify"},
        {{"read", "f", "--reads", "0"}, "--reads 0: the number of passes is 1 to 16"},
        {{"blank", "--reads=17"}, "--reads 17: the number of passes is 1 to 16"},
        {{"verify", "f", "--reads", "two"}, "--reads two: not a number"},
        {{"blank", "--reads", ""}, "--reads : not a number"},
        {{"blank", "--reads"}, "option --reads needs a value"},
        {{"timer", "--reads", "2"}, "option --reads does not apply to timer"},
        {{"read", "f", "--force"}, "option --force does not apply to read"},
        {{"write", "f", "--emulator", "--force"}, "--force does not apply to write --emulator"},
        // The two refusals of a --port text; every form is in the native port choice test.
        {{"blank", "--port", "sim:"}, "--port sim: names no port"},
        {{"blank", "--port", "0x379"}, "--port 0x379: a base address is a multiple of 4"},
        {{"blank", "--ecr", "0x77A"}, "--ecr applies only to a port given as lpt1..lpt3"},
        // Long options are taken by their whole names only, never abbreviated.
        {{"--forc", "blank"}, "unknown option --forc"},
        {{"blank", "--len", "1"}, "unknown option --len"},
        {{"blank", "--len"}, "unknown option --len"},
        {{"blank", "--rom-offset=1", "--e", "1"}, "unknown option --e"},
        {{"blank", "--force=1"}, "unknown option --force=1"},
        // A letter group is refused as typed; a name that starts with '-' needs "--".
        {{"-qx", "blank"}, "unknown option -qx"},
        {{"blank", "-y-"}, "unknown option -y-"},
        {{"read", "-x.bin"}, "unknown option -x.bin"},
        {{"blank", "--", "extra"}, "unexpected argument extra"},
        {{"--", "--help"}, "unknown operation --help"},
    };
    for (const Refusal& refusal : refusals) {
        SCOPED_TRACE(refusal.error);
        std::vector<std::string> arguments = refusal.arguments;
        arguments.insert(arguments.begin(), {"--trace", trace.string()});
        const CliResult result = run(arguments);
        EXPECT_EQ(result.status, 2);
        EXPECT_EQ(result.out, "");
        EXPECT_EQ(result.err.find("rfprog-cli: "), 0u) << result.err;
        EXPECT_NE(result.err.find(refusal.error), std::string::npos) << result.err;
        EXPECT_EQ(lineCount(result.err, "rfprog-cli: "), 1u) << result.err;
        EXPECT_FALSE(fs::exists(rom)); // the simulated board was never opened
        EXPECT_FALSE(fs::exists(trace));
    }
}

TEST_F(UsageTest, StandardFormsOfTheCommandLineAreTaken) {
    // "--" ends the options: the file is "-x.bin", in the folder the program runs in.
    writeFile(rom, pattern(RomSize, 4));
    const CliResult read = run({"read", "--", "-x.bin"});
    EXPECT_EQ(read.status, 0) << read.err;
    EXPECT_EQ(read.out, "read: 2048 bytes from ROM 0x000 written into -x.bin at offset 0x0\n"
                        "crc32 0F352F4E  sha1 a244941771e298cbc8db2ee6dff2d7067b484921  "
                        "sum16 FC00\n"); // computed with Python's zlib and hashlib
    EXPECT_EQ(readFile(folder / "-x.bin"), pattern(RomSize, 4));

    // --name=value, and a value that starts with '-'.
    writeFile(rom, erased());
    const CliResult block = run({"blank", "--rom-offset=0x7F0", "--length=16", "--trace", "-t"});
    EXPECT_EQ(block.status, 0) << block.err;
    EXPECT_EQ(block.out, "blank: 16 bytes at ROM 0x7F0 read FF\n");
    EXPECT_TRUE(fs::exists(folder / "-t"));
    // Options after the operation, whatever POSIXLY_CORRECT says.
    const CliResult posix = run({"blank", "--length", "1"}, {{"POSIXLY_CORRECT", "1"}});
    EXPECT_EQ(posix.out, "blank: 1 byte at ROM 0x000 reads FF\n");

    // Letters in one group: -y answers the question in either place.
    for (const char* group : {"-qy", "-yq"}) {
        const CliResult timer = run({group, "timer"});
        EXPECT_EQ(timer.status, 0) << group << timer.err;
        EXPECT_NE(timer.err.find("(answered by --yes)"), std::string::npos) << timer.err;
    }
    // -q in a group still hides the progress on a terminal.
    writeFile(rom, erased()); // the timer's pulse programmed a byte
    const auto onTerminal = [&](const std::vector<std::string>& arguments) {
        std::vector<std::string> all = {"--port", "sim:" + rom.string()};
        all.insert(all.end(), arguments.begin(), arguments.end());
        CliProcess process(all, {}, folder, Streams::Terminal);
        return process.wait();
    };
    const CliResult shown = onTerminal({"blank"});
    const CliResult hidden = onTerminal({"blank", "-hq"});
    EXPECT_NE(shown.err, "");
    EXPECT_EQ(hidden.status, 0);
    EXPECT_EQ(hidden.out.find("Usage: rfprog-cli"), 0u); // -h in the group too
    const CliResult quiet = onTerminal({"-qy", "blank"});
    EXPECT_EQ(quiet.status, 0);
    EXPECT_EQ(quiet.err, "");
}

TEST_F(UsageTest, MalformedSimulatedBoardSettingsAreNamedAndRefused) {
    const Environment settings[] = {
        // Each word's own refusals are the simulated board's tests; here, that a refused
        // setting is named and stops the program.
        {{"RFPROG_SIM_TIMER", "soon"}},
        {{"RFPROG_SIM_FAULTS", "stuck0=zz"}},
        {{"RFPROG_SIM_FAULTS", "absent,melted"}},
    };
    for (const Environment& setting : settings) {
        const auto& [name, value] = *setting.begin();
        const CliResult result = run({"blank"}, setting);
        EXPECT_EQ(result.status, 2) << name;
        EXPECT_NE(result.err.find(name + "=" + value + ": the simulated board does not understand"),
                  std::string::npos)
            << result.err;
        EXPECT_FALSE(fs::exists(rom));
    }
}

TEST_F(UsageTest, QuestionsWithoutTerminalOrYesAreRefusedBeforeThePortOpens) {
    for (const std::vector<std::string>& arguments :
         {std::vector<std::string>{"timer"}, {"write", "f", "--emulator"}, {"selftest"}}) {
        std::vector<std::string> traced = arguments;
        traced.insert(traced.end(), {"--trace", trace.string()});
        const CliResult result = run(traced);
        EXPECT_EQ(result.status, 2);
        EXPECT_NE(result.err.find("asks the operator to act, but standard input is not a "
                                  "terminal: run it on a terminal, or add --yes"),
                  std::string::npos)
            << result.err;
        EXPECT_FALSE(fs::exists(trace));
    }
}

TEST_F(UsageTest, FilesThatCannotBeUsedExitFourAndLeaveTheRomAlone) {
    const auto rom0 = pattern(RomSize, 3);
    writeFile(rom, rom0);
    const fs::path shortFile = folder / "short.bin";
    writeFile(shortFile, pattern(0x100, 1));

    struct Case {
        std::vector<std::string> arguments;
        std::string error;
    };
    const std::vector<Case> cases = {
        {{"verify", (folder / "missing.bin").string()},
         "cannot read " + (folder / "missing.bin").string()},
        {{"write", folder.string()},
         "cannot read " + folder.string() + ": it is missing, a directory"},
        {{"write", shortFile.string(), "--length", "0x100", "--file-offset", "1"},
         "short.bin is too short: the block needs 256 bytes from file offset 0x1"},
        {{"verify", shortFile.string()}, "the block needs 2048 bytes from file offset 0x0"},
        {{"read", folder.string()}, "cannot write " + folder.string()},
        {{"blank", "--trace", (folder / "no" / "trace.txt").string()},
         "cannot write the trace file"},
    };
    for (const Case& fileCase : cases) {
        SCOPED_TRACE(fileCase.error);
        const CliResult result = run(fileCase.arguments);
        EXPECT_EQ(result.status, 4);
        EXPECT_NE(result.err.find(fileCase.error), std::string::npos) << result.err;
        EXPECT_EQ(readFile(rom), rom0);
        EXPECT_EQ(readFile(shortFile).size(), 0x100u);
    }
    // A trace that fills the device fails the run that would have succeeded.
    writeFile(rom, erased());
    const CliResult full = run({"blank", "--trace", "/dev/full"});
    EXPECT_EQ(full.status, 4);
    EXPECT_EQ(full.err, "rfprog-cli: cannot write the trace file /dev/full\n");
}

// The simulated board's memory that cannot be kept in its file is never a success, and
// the message names the file.
TEST_F(UsageTest, SimulatedBoardFilesThatCannotBeWrittenExitFour) {
    const fs::path file = folder / "image.bin";
    writeFile(file, pattern(RomSize, 4));
    CliProcess process({"--port", "sim:" + rom.string(), "write", file.string()},
                       {{"RFPROG_SIM_TIMER", "20000"}}, folder);
    ASSERT_TRUE(firstBytePulsed());
    // At once a folder in its place, from then on, while the bytes are programmed.
    fs::create_directory(folder / "folder");
    fs::create_directory_symlink(folder / "folder", folder / "link");
    fs::rename(folder / "link", rom);
    const CliResult result = process.wait();
    EXPECT_EQ(result.status, 4);
    EXPECT_EQ(result.err,
              "rfprog-cli: cannot keep the simulated board's memory in " + rom.string() + "\n");

    const fs::path emulator = folder / "missing" / "emulator.bin";
    fs::remove(rom);
    const CliResult unplugged = run({"blank"}, {{"RFPROG_SIM_EMULATOR", emulator.string()}});
    EXPECT_EQ(unplugged.status, 4);
    EXPECT_EQ(unplugged.err, "rfprog-cli: cannot keep the simulated board's memory in " +
                                 emulator.string() + "\n");
}

// The hardware backends on Linux answer with one sentence and exit status 3, whatever
// the reason is on this machine (no device, no rights, not supported yet).
TEST_F(UsageTest, APortThatCannotBeOpenedExitsThreeWithOneSentence) {
    const CliResult result = runCli({"blank", "--port", "/dev/parport7"}, {}, folder);
    EXPECT_EQ(result.status, 3);
    EXPECT_EQ(result.err.find("rfprog-cli: port /dev/parport7: "), 0u) << result.err;
    EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1) << result.err;
    EXPECT_EQ(result.out, "");
}

TEST_F(UsageTest, HelpDocumentsTheExitStatusesInBothLanguages) {
    const CliResult english = run({"--help"});
    EXPECT_EQ(english.status, 0);
    for (const char* line : {"Exit status:", "  0    success", "  2    usage error",
                             "  3    the port cannot be opened or used", "  130  interrupted"}) {
        EXPECT_NE(english.out.find(line), std::string::npos) << line;
    }
    const CliResult russian = run({"-h"}, {{"LANG", "ru_RU.UTF-8"}});
    EXPECT_EQ(russian.status, 0);
    EXPECT_NE(russian.out.find("Код завершения:"), std::string::npos);
    EXPECT_NE(russian.out.find("  4    файл не читается или не записывается"), std::string::npos);
}

TEST_F(UsageTest, TheLocaleVariablesChooseTheLanguageInTheirOrder) {
    const struct {
        Environment environment;
        const char* expected;
    } cases[] = {
        {{}, "blank: 2048 bytes at ROM 0x000 read FF\n"},
        {{{"LANG", "ru_RU.UTF-8"}}, "чистота: 2048 байт с адреса ПЗУ 0x000 равны FF\n"},
        {{{"LANG", "ru_RU.UTF-8"}, {"LC_MESSAGES", "en_GB.UTF-8"}},
         "blank: 2048 bytes at ROM 0x000 read FF\n"},
        {{{"LANG", "en_US.UTF-8"}, {"LC_MESSAGES", ""}, {"LC_ALL", "ru_RU.UTF-8"}},
         "чистота: 2048 байт с адреса ПЗУ 0x000 равны FF\n"},
    };
    for (const auto& languageCase : cases) {
        const CliResult result = run({"blank"}, languageCase.environment);
        EXPECT_EQ(result.status, 0);
        EXPECT_EQ(result.out, languageCase.expected);
    }
}

} // namespace
} // namespace rfprog::test
