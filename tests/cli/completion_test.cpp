// The bash completion script as the shell uses it: sourced in bash, it completes command
// lines to the words of the usage lists, and the values it offers are those the program
// takes.
#include "cli/ports/port_backend.h"
#include "cli/usage.h"
#include "image/record_file.h"
#include "tests/cli/cli_process.h"
#include "tests/support/test_data.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace rfprog::test {
namespace {

namespace fs = std::filesystem;

// Sources the script ($1) and goes to the folder $2, then completes each further argument
// as a command line typed
// up to the cursor, split into COMP_WORDS as bash splits it (at blanks, and a run of = or :
// as a word of its own), and prints the replies of each on one line.
constexpr const char* Harness = R"sh(source "$1" && cd "$2" || exit 1
shift 2
for COMP_LINE; do
    COMP_POINT=${#COMP_LINE} COMP_WORDS=() rest=$COMP_LINE
    while [[ -n $rest ]]; do
        if [[ $rest =~ ^[[:space:]]+ ]]; then
            rest=${rest:${#BASH_REMATCH}}
            continue
        fi
        [[ $rest =~ ^[=:]+ ]] || [[ $rest =~ ^[^=:[:space:]]+ ]]
        COMP_WORDS+=("$BASH_REMATCH")
        rest=${rest:${#BASH_REMATCH}}
    done
    if [[ $COMP_LINE =~ [[:space:]]$ ]]; then
        COMP_WORDS+=("")
    fi
    COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
    COMPREPLY=(unset)
    "$(complete -p rfprog-cli | sed 's/.*-F \([^ ]*\) .*/\1/')"
    echo "${COMPREPLY[*]}"
done
)sh";

std::string joined(const std::vector<std::string>& words) {
    std::string text;
    for (const std::string& word : words) {
        text.append(text.empty() ? "" : " ").append(word);
    }
    return text;
}

std::regex word(std::string_view name) {
    return std::regex("\\b" + std::string(name) + "\\b");
}

struct Completion {
    std::string line;
    std::string replies;
};

// The folder's files as compgen -f offers them (in no set order; compared sorted).
constexpr const char* FolderFiles = "image.hex rom.bin saved";

// Completes each line in the folder files (bash runs in its parent, which holds its
// output) and checks the replies.
void expectCompletions(const std::vector<Completion>& cases, const fs::path& files) {
    std::vector<std::string> arguments{"-c", Harness, "bash", RFPROG_BASH_COMPLETION,
                                       files.string()};
    for (const Completion& entry : cases) {
        arguments.push_back(entry.line);
    }
    const CliResult result = runProgram("/bin/bash", arguments, files.parent_path());
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.err, "");
    ASSERT_EQ(std::count(result.out.begin(), result.out.end(), '\n'), std::ssize(cases))
        << result.out;
    std::istringstream text(result.out);
    for (const Completion& entry : cases) {
        std::string replies;
        std::getline(text, replies);
        if (entry.replies == FolderFiles) {
            std::istringstream words(replies);
            const std::set<std::string> sorted{std::istream_iterator<std::string>(words), {}};
            replies = joined({sorted.begin(), sorted.end()});
        }
        EXPECT_EQ(replies, entry.replies) << "[" << entry.line << "]";
    }
}

class CompletionTest : public ::testing::Test {
  protected:
    void SetUp() override {
        fs::create_directories(files / "saved");
        for (const char* name : {"rom.bin", "image.hex"}) {
            std::ofstream(files / name) << "\n";
        }
    }
    TempFolder temp{"rfprog-completion"};
    const fs::path files = temp.path() / "files";
};

TEST_F(CompletionTest, OffersTheWordsOfTheUsageLists) {
    std::vector<std::string> operations;
    for (const cli::OperationName& entry : cli::OperationNames) {
        operations.emplace_back(entry.name);
    }
    std::vector<std::string> options;
    std::vector<std::string> longOptions;
    for (const cli::OptionName& entry : cli::OptionNames) {
        options.emplace_back(entry.name);
        longOptions.emplace_back(entry.name);
        if (entry.letter != 0) {
            options.push_back(std::string("-") + entry.letter);
        }
    }
    const std::vector<std::string> formats(std::begin(cli::FormatNames),
                                           std::end(cli::FormatNames));
    std::vector<std::string> ports(std::begin(cli::PortNames), std::end(cli::PortNames));
    ports.emplace_back("sim:");
    std::set<std::string> devices; // as bash's glob sorts them
    for (const fs::directory_entry& entry : fs::directory_iterator("/dev")) {
        if (entry.path().filename().string().starts_with("parport")) {
            devices.insert(entry.path().string());
        }
    }
    ports.insert(ports.end(), devices.begin(), devices.end());

    std::vector<Completion> cases{{"rfprog-cli ", joined(operations)},
                                  {"rfprog-cli -", joined(options)},
                                  {"rfprog-cli --", joined(longOptions)}};
    // Each option's value: its words, file names for a FILE, nothing for a number.
    for (const cli::OptionName& entry : cli::OptionNames) {
        if (entry.value.empty()) {
            continue;
        }
        cases.push_back({"rfprog-cli blank " + std::string(entry.name) + " ",
                         entry.id == cli::OptionId::Format ? joined(formats)
                         : entry.id == cli::OptionId::Port ? joined(ports)
                         : entry.value == "FILE"           ? FolderFiles
                                                           : ""});
    }
    expectCompletions(cases, files);
}

TEST(CompletionWordsTest, AreValuesTheProgramTakesAndTheHelpNames) {
    std::set<RecordFormat> formats;
    for (std::string_view name : cli::FormatNames) {
        const auto format = parseFormatName(name);
        ASSERT_TRUE(format.has_value()) << name;
        formats.insert(*format);
    }
    EXPECT_EQ(formats.size(), 3U); // raw, Intel HEX and S-records, each by one name
    for (std::string_view name : cli::PortNames) {
        cli::PortChoice choice;
        EXPECT_EQ(cli::parsePortChoice(name, choice), cli::PortParse::Parsed) << name;
    }
    // The help's entries of --format and --port name every value offered.
    for (cli::Language language : {cli::Language::English, cli::Language::Russian}) {
        const std::string help(cli::HelpText.in(language));
        const std::string format = help.substr(help.find("  --format "), 300);
        const std::string port = help.substr(help.find("  --port "), 200);
        for (std::string_view name : cli::FormatNames) {
            EXPECT_TRUE(std::regex_search(format, word(name))) << name;
        }
        for (std::string_view name : cli::PortNames) {
            EXPECT_TRUE(std::regex_search(port, word(name))) << name;
        }
    }
}

TEST_F(CompletionTest, CompletesWhatIsTyped) {
    const std::vector<Completion> cases = {
        {"rfprog-cli --fo", "--format --force"},
        {"rfprog-cli write --format ", "raw ihex srec"},
        {"rfprog-cli write --format s", "srec"},
        // bash replaces only what follows = or :.
        {"rfprog-cli --format=i", "ihex"},
        {"rfprog-cli --port l", "lpt1 lpt2 lpt3"},
        {"rfprog-cli --port si", "sim sim:"},
        {"rfprog-cli --port sim:r", "rom.bin"},
        {"rfprog-cli --port=sim:sa", "saved"},
        {"rfprog-cli --trace i", "image.hex"},
        {"rfprog-cli --trace=r", "rom.bin"},
        // The operation, then its file; option values are not taken for either.
        {"rfprog-cli --length 5 b", "blank"},
        {"rfprog-cli --port lpt2 verify i", "image.hex"},
        {"rfprog-cli read rom.bin --reads 3 write ", ""},
        {"rfprog-cli blank ", ""},
        {"rfprog-cli blank --e", "--ecr --every-byte --emulator"},
        {"rfprog-cli read r", "rom.bin"},
        {"rfprog-cli x", ""},
    };
    expectCompletions(cases, files);
}

} // namespace
} // namespace rfprog::test
