// The counts of the command line's texts with their forms: English one and other, Russian
// one, few and many, as the texts themselves print them.
#include "cli/output.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

namespace rfprog::test {
namespace {

using cli::Language;
using cli::Text;

struct CountCase {
    Language language;
    std::string count;
    std::string line;
};

const CountCase CountCases[] = {
    {Language::English, "1", "verify: 1 byte at ROM 0x000 matches the file"},
    {Language::English, "2", "verify: 2 bytes at ROM 0x000 match the file"},
    {Language::English, "0", "verify: 0 bytes at ROM 0x000 match the file"},
    {Language::English, "21", "verify: 21 bytes at ROM 0x000 match the file"},
    {Language::Russian, "1", "сравнение: 1 байт с адреса ПЗУ 0x000 совпадает с файлом"},
    {Language::Russian, "2", "сравнение: 2 байта с адреса ПЗУ 0x000 совпадают с файлом"},
    {Language::Russian, "4", "сравнение: 4 байта с адреса ПЗУ 0x000 совпадают с файлом"},
    {Language::Russian, "5", "сравнение: 5 байт с адреса ПЗУ 0x000 совпадают с файлом"},
    {Language::Russian, "11", "сравнение: 11 байт с адреса ПЗУ 0x000 совпадают с файлом"},
    {Language::Russian, "12", "сравнение: 12 байт с адреса ПЗУ 0x000 совпадают с файлом"},
    {Language::Russian, "14", "сравнение: 14 байт с адреса ПЗУ 0x000 совпадают с файлом"},
    {Language::Russian, "21", "сравнение: 21 байт с адреса ПЗУ 0x000 совпадает с файлом"},
    {Language::Russian, "22", "сравнение: 22 байта с адреса ПЗУ 0x000 совпадают с файлом"},
    {Language::Russian, "111", "сравнение: 111 байт с адреса ПЗУ 0x000 совпадают с файлом"},
    {Language::Russian, "2032", "сравнение: 2032 байта с адреса ПЗУ 0x000 совпадают с файлом"},
    {Language::Russian, "2048", "сравнение: 2048 байт с адреса ПЗУ 0x000 совпадают с файлом"},
};

TEST(PluralFormsTest, ACountTakesTheFormsOfItsLanguage) {
    for (const CountCase& row : CountCases) {
        SCOPED_TRACE(row.line);
        cli::Line line;
        line.format(cli::text(Text::VerifyMatch, row.language), {row.count, "0x000"});
        EXPECT_EQ(line.view(), row.line);
    }
}

// Every text with forms gives two in English and three in Russian, or a count would take
// the other language's rule.
TEST(PluralFormsTest, EveryTextGivesItsLanguagesNumberOfForms) {
    const auto formCounts = [](std::string_view pattern) {
        std::string counts;
        for (std::size_t at = pattern.find(":"); at != std::string_view::npos;
             at = pattern.find(":", at + 1)) {
            if (at < 2 || pattern[at - 2] != '{') {
                continue;
            }
            const std::string_view forms = pattern.substr(at, pattern.find('}', at) - at);
            counts += std::to_string(std::count(forms.begin(), forms.end(), '|') + 1);
        }
        return counts;
    };
    std::size_t withForms = 0;
    for (const cli::TextPair& pair : cli::TextTable) {
        SCOPED_TRACE(std::string(pair.english));
        const std::string english = formCounts(pair.english);
        const std::string russian = formCounts(pair.russian);
        EXPECT_EQ(english, std::string(english.size(), '2'));
        EXPECT_EQ(russian, std::string(russian.size(), '3'));
        withForms += english.empty() ? 0 : 1;
    }
    EXPECT_GE(withForms, 10u);
}

} // namespace
} // namespace rfprog::test
