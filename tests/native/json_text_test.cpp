// The JSON strings of --json: every byte a file name or a message can hold comes out as
// valid JSON, valid UTF-8 kept, anything else escaped.
#include "cli/json_result.h"

#include <gtest/gtest.h>

#include <array>
#include <string>

namespace rfprog::test {
namespace {

struct EscapeCase {
    std::string text;
    std::string json;
};

const EscapeCase EscapeCases[] = {
    {"image.bin", R"("image.bin")"},
    {"a\"b\\c", R"("a\"b\\c")"},
    {"tab\tline\nreturn\r", R"("tab\tline\nreturn\r")"},
    {std::string("nul\0bell\x07"
                 "esc\x1b"
                 "del\x7f",
                 17),
     "\"nul\\u0000bell\\u0007esc\\u001bdel\x7f\""},
    {"прошивка.bin", "\"прошивка.bin\""},                                 // two-byte sequences kept
    {"\xe2\x82\xac\xf0\x9f\x92\xbe", "\"\xe2\x82\xac\xf0\x9f\x92\xbe\""}, // three and four
    {"a\xff"
     "b",
     R"("a\ufffdb")"},                                     // never a UTF-8 byte
    {"\xd0", R"("\ufffd")"},                               // a sequence cut short
    {"\xc0\xaf", R"("\ufffd\ufffd")"},                     // overlong '/'
    {"\xed\xa0\x80", R"("\ufffd\ufffd\ufffd")"},           // a surrogate
    {"\xf4\x90\x80\x80", R"("\ufffd\ufffd\ufffd\ufffd")"}, // past U+10FFFF
};

TEST(JsonTextTest, StringsAreEscapedAsJsonAndInvalidUtf8Replaced) {
    for (const EscapeCase& entry : EscapeCases) {
        std::array<char, 256> buffer{};
        cli::JsonText json(buffer);
        json.string(entry.text);
        EXPECT_FALSE(json.full());
        EXPECT_EQ(std::string(json.view()), entry.json) << entry.text;
    }
}

TEST(JsonTextTest, MembersAndElementsAreSeparatedByCommas) {
    std::array<char, 256> buffer{};
    cli::JsonText json(buffer);
    json.open('{').key("a").number(1).key("b").null().key("c").open('[');
    json.number(2).string("x").open('{').close('}').close(']').close('}');
    EXPECT_EQ(std::string(json.view()), R"({"a":1,"b":null,"c":[2,"x",{}]})");
}

TEST(JsonTextTest, TextPastTheBufferMarksItFullAndIsCutNeverOverrun) {
    std::array<char, 8> buffer{};
    cli::JsonText json(std::span<char>(buffer).first(6));
    json.string("abcdefgh");
    EXPECT_TRUE(json.full());
    EXPECT_EQ(std::string(json.view()), "\"abcde");
    EXPECT_EQ(buffer[6], 0);
}

} // namespace
} // namespace rfprog::test
