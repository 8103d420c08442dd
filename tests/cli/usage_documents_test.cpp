// The usage has one source, the program's lists of operations and options: the --help
// texts in both languages, the man pages in both languages and the README name exactly
// these, in this order, with the same value names and the same exit statuses.
#include "cli/usage.h"

#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

namespace rfprog::test {
namespace {

using cli::Language;

std::string sourceFile(const std::string& name) {
    std::ifstream file(std::string(RFPROG_SOURCE_DIR) + "/" + name);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream stream(text);
    for (std::string line; std::getline(stream, line);) {
        lines.push_back(line);
    }
    return lines;
}

// One entry as the documents write it: "read FILE", "--port PORT", "-y, --yes".
std::vector<std::string> expectedOperations(std::string_view file) {
    std::vector<std::string> entries;
    for (const cli::OperationName& entry : cli::OperationNames) {
        std::string text(entry.name);
        if (entry.takesFile) {
            text.append(" ").append(file);
        }
        entries.push_back(text);
    }
    return entries;
}

std::vector<std::string> expectedOptions(Language language) {
    std::vector<std::string> entries;
    for (const cli::OptionName& entry : cli::OptionNames) {
        std::string text = entry.letter != 0 ? std::string("-") + entry.letter + ", " : "";
        text += entry.name;
        const std::string_view value =
            language == Language::Russian ? entry.russianValue : entry.value;
        entries.push_back(value.empty() ? text : text + " " + std::string(value));
    }
    return entries;
}

// The entries of --help: the indented lines that start a description, in a section.
std::vector<std::string> helpEntries(Language language, const std::regex& entry) {
    std::vector<std::string> entries;
    for (const std::string& line : linesOf(std::string(cli::HelpText.in(language)))) {
        std::smatch match;
        if (std::regex_match(line, match, entry)) {
            entries.push_back(match[1]);
        }
    }
    return entries;
}

const std::regex HelpOption(R"(  ((?:-\w, )?--[\w-]+(?: \S+)?)  +\S.*)");
const std::regex HelpOperation(R"(  ([a-z]+(?: \S+)?)  +\S.*)");
const std::regex HelpExitStatus(R"(  (\d+)  +\S.*)");

// A man page font request as the text it shows: ".BI \-\-port " PORT"" is "--port PORT".
// .B and .I join their arguments with spaces, the alternating ones (.BR, .RI...) without.
std::string plainManLine(const std::string& line) {
    const std::regex request(R"(^\.(B|I|BI|BR|IB|IR|RB|RI)\s+(.*)$)");
    std::smatch match;
    if (!std::regex_match(line, match, request)) {
        return line;
    }
    const bool alternating = match[1].length() == 2;
    const std::string arguments = match[2];
    std::string text;
    const std::regex argument(R"re("([^"]*)"|(\S+))re");
    for (std::sregex_iterator at(arguments.begin(), arguments.end(), argument), end; at != end;
         ++at) {
        if (!text.empty() && !alternating) {
            text += ' ';
        }
        text += (*at)[1].matched ? (*at)[1].str() : (*at)[2].str();
    }
    return std::regex_replace(text, std::regex(R"(\\-)"), "-");
}

// The first line after each .TP of a section, outside indented lists (.RS to .RE).
std::vector<std::string> manTags(const std::string& page, const std::string& section) {
    std::vector<std::string> tags;
    const std::vector<std::string> lines = linesOf(page);
    bool inSection = false;
    int depth = 0;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (lines[i].starts_with(".SH ")) {
            inSection = lines[i] == ".SH " + section;
        } else if (lines[i] == ".RS") {
            ++depth;
        } else if (lines[i] == ".RE") {
            --depth;
        } else if (inSection && depth == 0 && lines[i] == ".TP" && i + 1 < lines.size()) {
            tags.push_back(plainManLine(lines[i + 1]));
        }
    }
    return tags;
}

// The backquoted names in the first column of the README's table that starts with header.
std::vector<std::string> readmeColumn(const std::string& readme, const std::string& header) {
    std::vector<std::string> names;
    bool inTable = false;
    for (const std::string& line : linesOf(readme)) {
        if (line.starts_with("| " + header + " |")) {
            inTable = true;
            continue;
        }
        if (!inTable || line.starts_with("|---")) {
            continue;
        }
        if (!line.starts_with("| ")) {
            break;
        }
        const std::string cell = line.substr(2, line.find(" |", 2) - 2);
        const std::regex quoted("`([^`]+)`");
        bool any = false;
        for (std::sregex_iterator at(cell.begin(), cell.end(), quoted), end; at != end; ++at) {
            names.push_back((*at)[1]);
            any = true;
        }
        if (!any) {
            names.push_back(cell);
        }
    }
    return names;
}

TEST(UsageDocumentsTest, HelpInBothLanguagesListsTheOperationsAndOptionsOfTheParser) {
    EXPECT_EQ(helpEntries(Language::English, HelpOperation), expectedOperations("FILE"));
    EXPECT_EQ(helpEntries(Language::Russian, HelpOperation), expectedOperations("ФАЙЛ"));
    EXPECT_EQ(helpEntries(Language::English, HelpOption), expectedOptions(Language::English));
    EXPECT_EQ(helpEntries(Language::Russian, HelpOption), expectedOptions(Language::Russian));
    EXPECT_EQ(helpEntries(Language::Russian, HelpExitStatus),
              helpEntries(Language::English, HelpExitStatus));
}

// A man page and the --help it is held to; the sections are named in the page's language.
struct ManPage {
    std::string file;
    Language language;
    std::string synopsis;
    std::string operations;
    std::string options;
    std::string exitStatus;
    std::string environment;
    std::string files;
};

const ManPage ManPages[] = {
    {"docs/rfprog-cli.1", Language::English, "SYNOPSIS", "OPERATIONS", "OPTIONS", "EXIT STATUS",
     "ENVIRONMENT", "FILES"},
    {"docs/rfprog-cli.ru.1", Language::Russian, "ОБЗОР", "ОПЕРАЦИИ", "ПАРАМЕТРЫ", "КОД ЗАВЕРШЕНИЯ",
     "ОКРУЖЕНИЕ", "ФАЙЛЫ"},
};

TEST(UsageDocumentsTest, ManPagesSynopsisAndOptionsAreThoseOfTheHelp) {
    for (const ManPage& manPage : ManPages) {
        SCOPED_TRACE(manPage.file);
        const std::string page = sourceFile(manPage.file);
        ASSERT_NE(page, "");
        // The synopsis: one line per operation, "rfprog-cli [OPTIONS] read FILE", with the
        // words of the help's first line, "Usage: rfprog-cli [OPTIONS] OPERATION [FILE]".
        std::smatch usage;
        const std::string help(cli::HelpText.in(manPage.language));
        const std::string usageLine = help.substr(0, help.find('\n'));
        ASSERT_TRUE(std::regex_match(usageLine, usage,
                                     std::regex(R"(\S+ (rfprog-cli \S+) \S+ \[(\S+)\])")));
        std::vector<std::string> synopsis;
        std::string line;
        bool inSynopsis = false;
        for (const std::string& request : linesOf(page)) {
            if (request.starts_with(".SH ")) {
                inSynopsis = request == ".SH " + manPage.synopsis;
            } else if (inSynopsis && request == ".br") {
                synopsis.push_back(line);
                line.clear();
            } else if (inSynopsis) {
                line.append(line.empty() ? "" : " ").append(plainManLine(request));
            }
        }
        synopsis.push_back(line);
        std::vector<std::string> expected;
        for (const std::string& operation : expectedOperations(usage[2].str())) {
            expected.push_back(usage[1].str() + " " + operation);
        }
        EXPECT_EQ(synopsis, expected);

        EXPECT_EQ(manTags(page, manPage.operations), expectedOperations(usage[2].str()));
        EXPECT_EQ(manTags(page, manPage.options), expectedOptions(manPage.language));
        EXPECT_EQ(manTags(page, manPage.exitStatus), helpEntries(manPage.language, HelpExitStatus));
    }
}

// The Russian page keeps in step with the English one where the help does not say: the
// same variables and files, described under the same names.
TEST(UsageDocumentsTest, RussianManPageNamesWhatTheEnglishOneNames) {
    const std::string english = sourceFile(ManPages[0].file);
    const std::string russian = sourceFile(ManPages[1].file);
    EXPECT_EQ(manTags(russian, ManPages[1].environment), manTags(english, ManPages[0].environment));
    EXPECT_EQ(manTags(russian, ManPages[1].files), manTags(english, ManPages[0].files));
    EXPECT_FALSE(manTags(english, ManPages[0].environment).empty());
    // man-db takes a page outside its English folders for UTF-8 only when it says so.
    EXPECT_TRUE(russian.starts_with("'\\\" -*- coding: UTF-8 -*-\n"));
}

TEST(UsageDocumentsTest, ReadmeCommandLineTablesAreThoseOfTheHelp) {
    const std::string readme = sourceFile("README.md");
    const std::string usage(cli::HelpText.english);
    const std::string synopsis = usage.substr(0, usage.find('\n'));
    EXPECT_EQ(synopsis, "Usage: rfprog-cli [OPTIONS] OPERATION [FILE]");
    EXPECT_NE(readme.find("```\n" + synopsis.substr(7) + "\n```\n"), std::string::npos);
    EXPECT_EQ(readmeColumn(readme, "operation"), expectedOperations("FILE"));
    // The README writes "-y, --yes" as two names.
    std::vector<std::string> options;
    for (const std::string& entry : expectedOptions(Language::English)) {
        const std::size_t comma = entry.find(", ");
        if (comma != std::string::npos) {
            options.push_back(entry.substr(0, comma));
        }
        options.push_back(comma != std::string::npos ? entry.substr(comma + 2) : entry);
    }
    EXPECT_EQ(readmeColumn(readme, "option"), options);
    EXPECT_EQ(readmeColumn(readme, "exit status"), helpEntries(Language::English, HelpExitStatus));
}

} // namespace
} // namespace rfprog::test
