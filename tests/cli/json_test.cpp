// --json: the program's standard output parses as one JSON object, and its fields say what
// the same run's text says (now on standard error) and what the run without --json says.
#include "tests/cli/cli_test_support.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <map>
#include <regex>

namespace rfprog::test {
namespace {

// A strict parser outside the program: the object flattened to "path=value" lines, the
// values as JSON writes them ("counts.differing=3", "operation=\"verify\"", "lines#=1").
constexpr const char* Flatten = R"(import json, sys
def walk(path, value):
    if isinstance(value, dict):
        for key, item in value.items():
            walk(path + [key], item)
    elif isinstance(value, list):
        print(".".join(path) + "#=" + str(len(value)))
        for index, item in enumerate(value):
            walk(path + [str(index)], item)
    else:
        print(".".join(path) + "=" + json.dumps(value))
walk([], json.loads(sys.stdin.read()))
)";

using Fields = std::map<std::string, std::string>;

class JsonTest : public CliTest {
  protected:
    // The fields of text; a text that is not one JSON object fails the test.
    Fields parse(const std::string& text) {
        std::ofstream(folder / "flatten.py") << Flatten;
        std::ofstream(folder / "object.json") << text;
        const std::string command = "python3 " + (folder / "flatten.py").string() + " < " +
                                    (folder / "object.json").string() + " > " +
                                    (folder / "fields.txt").string();
        EXPECT_EQ(std::system(command.c_str()), 0) << text;
        Fields fields;
        std::ifstream lines(folder / "fields.txt");
        for (std::string line; std::getline(lines, line);) {
            const std::size_t equals = line.find('=');
            fields[line.substr(0, equals)] = line.substr(equals + 1);
        }
        return fields;
    }
};

std::vector<std::string> sortedLines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream stream(text);
    for (std::string line; std::getline(stream, line);) {
        lines.push_back(line);
    }
    std::sort(lines.begin(), lines.end());
    return lines;
}

std::string quoted(const std::string& text) {
    return "\"" + text + "\"";
}

struct JsonRun {
    std::string name;
    std::vector<std::string> arguments;
    Environment environment;
    int status;
    Fields expected; // besides what the text tells
};

// A run a few lines, as a table.
// clang-format off
const std::vector<JsonRun> Runs = {
    {"verify match", {"verify", "image.bin"}, {}, 0,
     {{"operation", "\"verify\""}, {"exitName", "\"success\""}, {"block.romOffset", "0"},
      {"block.length", "2048"}, {"block.fileOffset", "0"}, {"block.file", "\"image.bin\""},
      {"block.format", "\"raw\""}, {"counts.differing", "0"}, {"counts.passes", "1"},
      {"counts.unstable", "0"}, {"differences#", "0"}, {"lines#", "0"}}},
    {"verify through a stuck address line, with its picture", {"verify", "image.bin", "--map"},
     {{"RFPROG_SIM_FAULTS", "addr-stuck0=4"}}, 1,
     {{"exitName", "\"negative\""}, {"differences#", "16"}, {"differences.0.address", "16"},
      {"lines#", "1"}, {"lines.0.kind", "\"address\""}, {"lines.0.line", "4"}}},
    {"verify with data bit 2 stuck at 0", {"verify", "image.bin"},
     {{"RFPROG_SIM_FAULTS", "stuck0=04"}}, 1,
     {{"lines#", "1"}, {"lines.0.kind", "\"data-stuck-0\""}, {"lines.0.line", "2"}}},
    {"blank of a programmed chip", {"blank", "--rom-offset", "0x100", "--length", "0x40"}, {}, 1,
     {{"operation", "\"blank\""}, {"block.romOffset", "256"}, {"block.length", "64"},
      {"differences.0.expected", "255"}}},
    {"read with checksums", {"read", "out.bin"}, {}, 0, {{"counts.passes", "2"}}},
    {"selftest of a faulty board", {"selftest", "--yes"},
     {{"RFPROG_SIM_FAULTS", "stuck1=80,short=1-2,addr-stuck1=6"},
      {"RFPROG_SIM_EMULATOR", "emulator.bin"}}, 1,
     {{"lines#", "3"}, {"lines.0.kind", "\"data-stuck-1\""}, {"lines.0.line", "7"},
      {"lines.1.kind", "\"data-shorted\""}, {"lines.1.line", "1"}, {"lines.1.with", "2"},
      {"lines.2.kind", "\"address\""}, {"lines.2.line", "6"}}},
    {"usage error", {"verify", "image.bin", "--length", "0"}, {}, 2,
     {{"operation", "\"verify\""}, {"exitName", "\"usage\""}}},
    {"file error", {"verify", "missing.bin"}, {}, 4,
     {{"exitName", "\"file\""}, {"block.file", "\"missing.bin\""}}},
};
// clang-format on

// The numbers the text gives, as the object should give them.
void expectTextFields(const std::string& text, Fields& expected) {
    std::smatch match;
    if (std::regex_search(text, match, std::regex("differing bytes: (\\d+) of (\\d+)"))) {
        expected["counts.differing"] = match[1];
        expected["counts.compared"] = match[2];
    }
    if (std::regex_search(
            text, match,
            std::regex("crc32 ([0-9A-F]{8})  sha1 ([0-9a-f]{40})  sum16 ([0-9A-F]{4})"))) {
        expected["checksums.crc32"] = quoted(match[1]);
        expected["checksums.sha1"] = quoted(match[2]);
        expected["checksums.sum16"] = quoted(match[3]);
    }
    if (std::regex_search(text, match, std::regex("rfprog-cli: ([^\n]*)"))) {
        expected["message"] = quoted(match[1]);
    }
}

TEST_F(JsonTest, TheObjectParsesAndSaysWhatTheSameRunsTextSays) {
    for (const JsonRun& run : Runs) {
        SCOPED_TRACE(run.name);
        std::vector<std::uint8_t> image(RomSize);
        for (std::uint32_t address = 0; address < RomSize; ++address) {
            image[address] = static_cast<std::uint8_t>(address * 5 + (address >> 8));
        }
        writeFile(rom, image);
        writeFile(folder / "image.bin", image);
        // File names in the table are in the test's folder.
        const auto inFolder = [&](std::string& name) {
            if (name.ends_with(".bin")) {
                name = (folder / name).string();
            }
        };
        std::vector<std::string> arguments = run.arguments;
        std::ranges::for_each(arguments, inFolder);
        Environment environment = run.environment;
        for (auto& [name, value] : environment) {
            inFolder(value);
        }
        const CliResult plain = this->run(arguments, environment);
        arguments.push_back("--json");
        const CliResult json = this->run(arguments, environment);

        EXPECT_EQ(json.status, run.status) << json.err;
        EXPECT_EQ(plain.status, run.status) << plain.err;
        // One line, and the text the run without --json prints, all on standard error.
        ASSERT_TRUE(json.out.ends_with("\n"));
        EXPECT_EQ(json.out.find('\n'), json.out.size() - 1);
        EXPECT_EQ(sortedLines(json.err), sortedLines(plain.out + plain.err));

        const Fields fields = parse(json.out);
        Fields expected = run.expected;
        for (auto& [path, value] : expected) {
            if (value.ends_with(".bin\"")) {
                value = quoted((folder / value.substr(1, value.size() - 2)).string());
            }
        }
        expected["exitStatus"] = std::to_string(run.status);
        expectTextFields(json.err, expected);
        for (const auto& [path, value] : expected) {
            const auto found = fields.find(path);
            EXPECT_TRUE(found != fields.end() && found->second == value)
                << path << ": " << (found == fields.end() ? "missing" : found->second)
                << ", expected " << value << "\n"
                << json.out;
        }
        EXPECT_EQ(fields.count("message"), expected.count("message")) << json.out;
        EXPECT_EQ(fields.count("checksums.crc32"), expected.count("checksums.crc32"));
    }
}

// The object is the one thing on standard output: an image read to it is refused, and
// when the object cannot be written there, the run says so and ends with status 4.
TEST_F(JsonTest, AnObjectThatCannotBeWrittenEndsWithStatusFour) {
    writeFile(rom, erased());
    const CliResult image = run({"read", "-", "--format", "raw", "--json"});
    EXPECT_EQ(image.status, 2);
    EXPECT_EQ(parse(image.out).at("exitName"), "\"usage\"") << image.out;
    EXPECT_NE(image.err.find("read - and --json both need standard output"), std::string::npos);

    CliProcess process({"--port", "sim:" + rom.string(), "blank", "--json"}, {}, folder,
                       Streams::ClosedOutput);
    const CliResult result = process.wait();
    EXPECT_EQ(result.status, 4);
    EXPECT_NE(result.err.find("cannot write the JSON result"), std::string::npos) << result.err;
}

} // namespace
} // namespace rfprog::test
