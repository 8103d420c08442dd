// FILE and the trace as the system has them: links and modes kept by read, "-" for standard
// input and output, pipes and devices written and never read, a trace that would overwrite
// another file, output that cannot be written, and the file bytes a block leaves out.
#include "tests/cli/cli_test_support.h"

#include <csignal>
#include <fstream>
#include <functional>
#include <future>
#include <iterator>
#include <optional>

#include <sys/stat.h>

namespace rfprog::test {
namespace {

using FilesAndStreamsTest = CliTest;

constexpr const char* IntelEnd = ":00000001FF\n";

fs::perms permissionsOf(const fs::path& path) {
    return fs::status(path).permissions() & fs::perms::mask;
}

struct FileCase {
    const char* what;
    // Makes the case's files in its folder, which holds the ROM (rom.bin) and, made by
    // the program, its text as Intel HEX (rom.hex) and S-records (rom.mot).
    std::function<void(const fs::path& caseFolder)> setUp;
    std::vector<std::string> arguments; // after --port sim:rom.bin
    const char* input;                  // the file in the folder on standard input, or none
    int status;
    std::optional<std::string> err; // exactly, unless the row's check looks at it
    std::function<void(const fs::path& caseFolder, const CliResult& result)> check;
    Streams streams = Streams::Files;
    Environment environment = {};
};

TEST_F(FilesAndStreamsTest, EachFileCaseGoesAsItsRowSays) {
    const Bytes image = pattern(RomSize, 5);
    const Bytes other = pattern(RomSize, 9);
    const auto ropeOf = [](const fs::path& path) { return textOf(readFile(path)); };
    // Refused before the port or the trace is opened.
    const auto unopened = [](const fs::path& f, const CliResult&) {
        EXPECT_FALSE(fs::exists(f / "trace.txt"));
    };
    // Three bytes at 0x0000 and the ROM's text at 0xF800.
    const auto makeBoth = [&](const fs::path& f) {
        writeFile(f / "both.hex",
                  bytesOf(intelRecord(0x0000, 0, {0x01, 0x02, 0x03}) + ropeOf(f / "monitor.hex")));
    };

    const std::vector<FileCase> cases = {
        {"read into a record file through a link: the file it names is replaced, mode kept",
         [&](const fs::path& f) {
             writeFile(f / "real.hex", bytesOf(intelFile(0, {1, 2, 3, 4})));
             fs::permissions(f / "real.hex", fs::perms(0640));
             fs::create_symlink("real.hex", f / "link.hex");
         },
         {"read", "link.hex"},
         nullptr,
         0,
         "",
         [&](const fs::path& f, const CliResult&) {
             EXPECT_TRUE(fs::is_symlink(f / "link.hex"));
             EXPECT_EQ(ropeOf(f / "real.hex"), ropeOf(f / "rom.hex"));
             EXPECT_EQ(permissionsOf(f / "real.hex"), fs::perms(0640));
             EXPECT_FALSE(fs::exists(f / "real.hex.rfprog-new"));
         }},
        {"read into a raw file through a link: patched in place, mode and length kept",
         [&](const fs::path& f) {
             writeFile(f / "real.bin", Bytes(2 * RomSize, 0x55));
             fs::permissions(f / "real.bin", fs::perms(0600));
             fs::create_symlink("real.bin", f / "link.bin");
         },
         {"read", "link.bin"},
         nullptr,
         0,
         "",
         [&](const fs::path& f, const CliResult&) {
             EXPECT_TRUE(fs::is_symlink(f / "link.bin"));
             Bytes expected = image;
             expected.resize(2 * RomSize, 0x55);
             EXPECT_EQ(readFile(f / "real.bin"), expected);
             EXPECT_EQ(permissionsOf(f / "real.bin"), fs::perms(0600));
         }},
        {"read - writes the new file's text to standard output and the result to error",
         nullptr,
         {"read", "-", "--format", "srec"},
         nullptr,
         0,
         std::nullopt,
         [&](const fs::path& f, const CliResult& result) {
             EXPECT_EQ(result.out, ropeOf(f / "rom.mot"));
             EXPECT_EQ(lineCount(result.err, "read: 2048 bytes from ROM 0x000 written into -"), 1u);
             EXPECT_EQ(lineCount(result.err, "crc32 "), 1u);
         }},
        {"verify - reads standard input",
         nullptr,
         {"verify", "-", "--format", "ihex"},
         "rom.hex",
         0,
         "",
         [&](const fs::path&, const CliResult& result) {
             EXPECT_EQ(lineCount(result.out, "verify: "), 1u);
         }},
        {"write /dev/stdin from a pipe, raw",
         [&](const fs::path& f) {
             writeFile(f / "other.bin", other);
             writeFile(f / "rom.bin", Bytes(RomSize, ErasedByte));
         },
         {"write", "/dev/stdin", "--format", "raw"},
         "other.bin",
         0,
         "",
         [&](const fs::path& f, const CliResult&) { EXPECT_EQ(readFile(f / "rom.bin"), other); }},
        {"- without --format",
         nullptr,
         {"verify", "-", "--trace", "trace.txt"},
         nullptr,
         2,
         "rfprog-cli: FILE - (standard input or output) has no extension to tell its format: add "
         "--format raw, ihex or srec\nTry rfprog-cli --help.\n",
         unopened},
        {"write --emulator - without --yes",
         nullptr,
         {"write", "--emulator", "-", "--format", "raw", "--trace", "trace.txt"},
         nullptr,
         2,
         "rfprog-cli: write --emulator - reads FILE from standard input, so the questions cannot "
         "be answered there: add --yes\nTry rfprog-cli --help.\n",
         unopened},
        {"read into a FIFO writes the new file's text and never reads it",
         [&](const fs::path& f) { ASSERT_EQ(::mkfifo((f / "pipe.hex").c_str(), 0600), 0); },
         {"read", "pipe.hex", "--format", "ihex"},
         nullptr,
         0,
         "",
         nullptr},
        {"a trace that is FILE by another name",
         nullptr,
         {"--trace", "./rom.hex", "verify", "rom.hex"},
         nullptr,
         2,
         "rfprog-cli: --trace ./rom.hex is the same file as rom.hex: the trace would overwrite "
         "it\n",
         [&](const fs::path& f, const CliResult&) {
             EXPECT_EQ(ropeOf(f / "rom.hex").substr(0, 1), ":");
         }},
        {"a trace that is the simulated ROM's file through a link",
         [&](const fs::path& f) { fs::create_symlink("rom.bin", f / "rom-link"); },
         {"--trace", "rom-link", "blank"},
         nullptr,
         2,
         "rfprog-cli: --trace rom-link is the same file as rom.bin: the trace would overwrite "
         "it\n",
         [&](const fs::path& f, const CliResult&) { EXPECT_EQ(readFile(f / "rom.bin"), image); }},
        {"a trace that is the emulator's file",
         [&](const fs::path& f) { writeFile(f / "emulator.bin", other); },
         {"--trace", "./emulator.bin", "write", "--emulator", "-y", "rom.mot"},
         nullptr,
         2,
         "rfprog-cli: --trace ./emulator.bin is the same file as emulator.bin: the trace would "
         "overwrite it\n",
         [&](const fs::path& f, const CliResult&) {
             EXPECT_EQ(readFile(f / "emulator.bin"), other);
         },
         Streams::Files,
         {{"RFPROG_SIM_EMULATOR", "emulator.bin"}}},
        {"results that cannot be written to standard output",
         nullptr,
         {"verify", "rom.hex"},
         nullptr,
         4,
         "rfprog-cli: cannot write to standard output: the results did not reach it\n",
         nullptr,
         Streams::FullOutput},
        {"a record file with data beyond the ROM's stretch, no --file-offset",
         makeBoth,
         {"write", "both.hex", "--trace", "trace.txt"},
         nullptr,
         2,
         "rfprog-cli: both.hex: the file defines data beyond the ROM's 2048 bytes from file "
         "address 0x0000: it defines 0x0000-0x0002, 0xF800-0xFFFF; choose the block's place in "
         "the file with --file-offset\n",
         [&](const fs::path& f, const CliResult& result) {
             unopened(f, result);
             EXPECT_EQ(readFile(f / "rom.bin"), image);
         }},
        {"a record file with more ranges than a refusal names",
         [&](const fs::path& f) {
             std::string text;
             for (std::uint16_t at = 0; at < 10; ++at) {
                 text += intelRecord(static_cast<std::uint16_t>(at * 0x1000), 0, {0x00});
             }
             writeFile(f / "many.hex", bytesOf(text + IntelEnd));
         },
         {"verify", "many.hex", "--trace", "trace.txt"},
         nullptr,
         2,
         "rfprog-cli: many.hex: the file defines data beyond the ROM's 2048 bytes from file "
         "address 0x0000: it defines 0x0000-0x0000, 0x1000-0x1000, 0x2000-0x2000, "
         "0x3000-0x3000, 0x4000-0x4000, 0x5000-0x5000, 0x6000-0x6000, 0x7000-0x7000 and 2 more "
         "ranges; choose the block's place in the file with --file-offset\n",
         unopened},
        {"the same file with --file-offset: verified, the bytes outside noted",
         makeBoth,
         {"verify", "both.hex", "--file-offset", "0xF800"},
         nullptr,
         0,
         "rfprog-cli: both.hex: 3 bytes of the file lie outside the block (0xF800 to 0xFFFF) and "
         "are not used\n",
         nullptr},
        {"a raw file longer than the block: its first bytes written, its length said",
         [&](const fs::path& f) {
             Bytes file = other;
             file.insert(file.end(), image.begin(), image.end());
             writeFile(f / "long.bin", file);
             writeFile(f / "rom.bin", Bytes(RomSize, ErasedByte));
         },
         {"write", "long.bin"},
         nullptr,
         0,
         "rfprog-cli: long.bin: the file is 4096 bytes long; the block takes its bytes 0x0 to "
         "0x7FF\n",
         [&](const fs::path& f, const CliResult&) { EXPECT_EQ(readFile(f / "rom.bin"), other); }},
    };

    int index = 0;
    for (const FileCase& c : cases) {
        SCOPED_TRACE(c.what);
        const fs::path f = folder / ("case" + std::to_string(index++));
        fs::create_directories(f);
        writeFile(f / "rom.bin", image);
        for (const std::vector<std::string>& made :
             {std::vector<std::string>{"rom.hex"}, {"rom.mot"}, {"monitor.hex", "0xF800"}}) {
            std::vector<std::string> read = {"--port", "sim:rom.bin", "read", made[0]};
            if (made.size() > 1) {
                read.insert(read.end(), {"--file-offset", made[1]});
            }
            ASSERT_EQ(runCli(read, {}, f).status, 0);
        }
        if (c.setUp) {
            c.setUp(f);
        }
        std::future<std::string> fifoText;
        if (fs::is_fifo(f / "pipe.hex")) {
            fifoText = std::async(std::launch::async, [&] {
                std::ifstream in(f / "pipe.hex", std::ios::binary);
                return std::string(std::istreambuf_iterator<char>(in), {});
            });
        }
        std::vector<std::string> arguments = {"--port", "sim:rom.bin"};
        arguments.insert(arguments.end(), c.arguments.begin(), c.arguments.end());
        CliProcess process(arguments, c.environment, f, c.streams);
        if (c.input != nullptr) {
            process.input(ropeOf(f / c.input));
        }
        process.closeInput();
        const CliResult result = process.wait();
        EXPECT_EQ(result.status, c.status) << result.err;
        if (c.err) {
            EXPECT_EQ(result.err, *c.err);
        }
        if (fifoText.valid()) {
            EXPECT_EQ(fifoText.get(), ropeOf(f / "rom.hex"));
        }
        if (c.check) {
            c.check(f, result);
        }
    }
}

// A wait on standard input or on a FIFO's reader ends on SIGTERM, the voltage off.
TEST_F(FilesAndStreamsTest, WaitsOnStreamsEndOnASignal) {
    writeFile(rom, pattern(RomSize, 5));
    ASSERT_EQ(::mkfifo((folder / "nobody.hex").c_str(), 0600), 0);
    const std::vector<std::string> waits[] = {
        {"verify", "-", "--format", "raw"},             // input "partial", never ended
        {"--trace", "trace.txt", "read", "nobody.hex"}, // a FIFO nobody opens to read
    };
    for (const std::vector<std::string>& operation : waits) {
        SCOPED_TRACE(operation[0]);
        std::vector<std::string> arguments = {"--port", "sim:rom.bin"};
        arguments.insert(arguments.end(), operation.begin(), operation.end());
        CliProcess process(arguments, {}, folder);
        process.input("partial");
        ASSERT_TRUE(eventually([&] { return process.sleeping(); }));
        process.signal(SIGTERM);
        const CliResult stopped = process.wait(std::chrono::seconds(10));
        EXPECT_EQ(stopped.status, 130);
        EXPECT_EQ(stopped.err, "rfprog-cli: interrupted; the programming voltage is off\n");
    }
    // The read had the port open while it waited.
    EXPECT_EQ(lastLine(traceFile()), "W 37A 00");
}

} // namespace
} // namespace rfprog::test
