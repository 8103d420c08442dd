// idle, which only sets the board idle, and --version, which names the project's version.
#include "tests/cli/cli_test_support.h"

#include <fstream>
#include <regex>

namespace rfprog::test {
namespace {

using IdleVersionTest = CliTest;

TEST_F(IdleVersionTest, IdleWritesControl00AndNothingElse) {
    const CliResult result = run({"idle", "--trace", trace.string()});
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.out, "idle: the port's control lines are at 0x00 (programming voltage off)\n");
    EXPECT_EQ(result.err, "");
    // The open's idle, the operation's own, the close's.
    EXPECT_EQ(traceFile(), "W 37A 00\nW 37A 00\nW 37A 00\n");

    const CliResult russian = run({"idle"}, {{"LANG", "ru_RU.UTF-8"}});
    EXPECT_EQ(russian.out,
              "покой: линии управления порта в 0x00 (напряжение программирования выключено)\n");
}

TEST_F(IdleVersionTest, IdleTakesNoBlockAndNoFile) {
    const CliResult block = run({"idle", "--length", "1"});
    EXPECT_EQ(block.status, 2);
    EXPECT_EQ(block.err,
              "rfprog-cli: option --rom-offset/--file-offset/--length does not apply to idle\n"
              "Try rfprog-cli --help.\n");
    const CliResult file = run({"idle", "image.bin"});
    EXPECT_EQ(file.status, 2);
    EXPECT_EQ(file.err, "rfprog-cli: unexpected argument image.bin\nTry rfprog-cli --help.\n");
}

TEST_F(IdleVersionTest, IdleOnAMissingPortDeviceGivesItsSentenceAndStatus3) {
    const CliResult result = runCli({"--port", "/dev/rfprog-no-such-parport", "idle"}, {}, folder);
    EXPECT_EQ(result.status, 3);
    EXPECT_EQ(result.err, "rfprog-cli: port /dev/rfprog-no-such-parport: the parallel port "
                          "device is missing: load the kernel modules parport_pc and ppdev\n");
    EXPECT_EQ(result.out, "");
}

// The version set in the project() of CMakeLists.txt, which also makes the package's and
// rfprog.exe's.
TEST_F(IdleVersionTest, VersionNamesTheProgramAndTheProjectsVersion) {
    std::ifstream lists(std::string(RFPROG_SOURCE_DIR) + "/CMakeLists.txt");
    const std::string text((std::istreambuf_iterator<char>(lists)), {});
    std::smatch match;
    ASSERT_TRUE(std::regex_search(text, match, std::regex(R"(project\(rfprog VERSION (\S+))")));
    const CliResult result = runCli({"--version"}, {}, folder);
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out, "rfprog-cli " + match[1].str() + "\n");
    EXPECT_EQ(result.err, "");
    // Whatever else is on the line, and in Russian the same.
    EXPECT_EQ(
        runCli({"blank", "--version", "--port", "nowhere"}, {{"LANG", "ru_RU.UTF-8"}}, folder).out,
        result.out);
}

} // namespace
} // namespace rfprog::test
