#include "cli/output.h"

#include "cli/json_result.h"
#include "cli/platform.h"

#include <algorithm>
#include <charconv>

namespace rfprog::cli {

namespace {

Line formatLine(std::string_view prefix, std::string_view pattern, TextArguments arguments,
                std::string_view tail = {}) {
    Line line;
    line.add(prefix).format(pattern, arguments).add(tail).add('\n');
    return line;
}

} // namespace

Number Number::decimal(std::uint32_t value) {
    Number number;
    number.add(value, 10, 1);
    return number;
}

Number Number::hex(std::uint32_t value, int digits) {
    Number number;
    number.text_[number.size_++] = '0';
    number.text_[number.size_++] = 'x';
    number.add(value, 16, digits);
    return number;
}

Number Number::byte(std::uint8_t value) {
    Number number;
    number.add(value, 16, 2);
    return number;
}

// The digits upper-case, after zeros up to digits; no more than eight, as many as a 32-bit
// number has in hexadecimal.
void Number::add(std::uint32_t value, int base, int digits) {
    std::array<char, 10> written{};
    const char* end =
        std::to_chars(written.data(), written.data() + written.size(), value, base).ptr;
    const std::string_view shown(written.data(), static_cast<std::size_t>(end - written.data()));
    for (auto pad = static_cast<int>(shown.size()); pad < std::min(digits, 8); ++pad) {
        text_[size_++] = '0';
    }
    for (const char c : shown) {
        text_[size_++] = c >= 'a' && c <= 'f' ? static_cast<char>(c - 'a' + 'A') : c;
    }
}

Line& Line::add(std::string_view text) {
    for (const char c : text) {
        add(c);
    }
    return *this;
}

Line& Line::add(char c, std::size_t count) {
    for (std::size_t i = 0; i < count && size_ < text_.size(); ++i) {
        text_[size_++] = c;
    }
    return *this;
}

std::size_t pluralForm(std::uint32_t count, std::size_t forms) {
    if (forms < 3) {
        return count == 1 ? 0 : 1;
    }
    const std::uint32_t lastTwo = count % 100;
    const std::uint32_t last = count % 10;
    if (last == 1 && lastTwo != 11) {
        return 0;
    }
    return last >= 2 && last <= 4 && (lastTwo < 12 || lastTwo > 14) ? 1 : 2;
}

namespace {

// The form of "form|form..." (a placeholder's text after the colon) for count.
std::string_view pluralChoice(std::string_view forms, std::string_view count) {
    std::uint32_t value = 0;
    const char* end = count.data() + count.size();
    if (std::from_chars(count.data(), end, value).ptr != end) {
        value = 0; // not a count: the form for many
    }
    const auto formCount =
        static_cast<std::size_t>(std::count(forms.begin(), forms.end(), '|')) + 1;
    std::size_t index = pluralForm(value, formCount);
    for (; index > 0; --index) {
        forms.remove_prefix(forms.find('|') + 1);
    }
    return {forms.data(), std::min(forms.size(), forms.find('|'))};
}

} // namespace

Line& Line::format(std::string_view pattern, TextArguments arguments) {
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        const bool placeholder = pattern[i] == '{' && i + 2 < pattern.size() &&
                                 pattern[i + 1] >= '1' && pattern[i + 1] <= '9' &&
                                 (pattern[i + 2] == '}' || pattern[i + 2] == ':');
        const std::size_t index = placeholder ? static_cast<std::size_t>(pattern[i + 1] - '1') : 0;
        const std::size_t close = placeholder ? pattern.find('}', i) : std::string_view::npos;
        if (close == std::string_view::npos || index >= arguments.size()) {
            add(pattern[i]);
            continue;
        }
        const std::string_view argument = arguments.begin()[index];
        if (pattern[i + 2] == '}') {
            add(argument);
        } else {
            add(pluralChoice({pattern.data() + i + 3, close - i - 3}, argument));
        }
        i = close;
    }
    return *this;
}

Console::Console(Language language, JsonResult* json)
    : language_(language), json_(json),
      results_(json != nullptr && json->asked() ? Stream::Err : Stream::Out) {}

void Console::print(Stream stream, std::string_view text) const {
    if (!writeText(stream, text)) {
        (stream == Stream::Out ? outputFailed_ : errorFailed_) = true;
    }
}

void Console::result(Text id, TextArguments arguments) const {
    print(results_, formatLine({}, text(id), arguments).view());
}

void Console::result(Text id, TextArguments arguments, std::string_view tail) const {
    print(results_, formatLine({}, text(id), arguments, tail).view());
}

void Console::error(Text id, TextArguments arguments) const {
    if (json_ != nullptr) {
        Line sentence;
        sentence.format(text(id), arguments);
        json_->message(sentence.view());
    }
    print(Stream::Err, formatLine("rfprog-cli: ", text(id), arguments).view());
}

void Console::note(Text id, TextArguments arguments) const {
    print(Stream::Err, formatLine({}, text(id), arguments).view());
}

void Console::resultText(std::string_view text) const {
    print(results_, text);
}

} // namespace rfprog::cli
