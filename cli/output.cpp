#include "cli/output.h"

#include "cli/platform.h"

namespace rfprog::cli {

namespace {

constexpr char HexDigits[] = "0123456789ABCDEF";

void printLine(Stream stream, std::string_view prefix, std::string_view pattern,
               TextArguments arguments) {
    Line line;
    line.add(prefix).format(pattern, arguments).add('\n');
    writeText(stream, line.view());
}

} // namespace

Number Number::decimal(std::uint32_t value) {
    Number number;
    std::array<char, 10> reversed{};
    std::size_t count = 0;
    do {
        reversed[count++] = static_cast<char>('0' + value % 10);
        value /= 10;
    } while (value != 0);
    while (count > 0) {
        number.text_[number.size_++] = reversed[--count];
    }
    return number;
}

Number Number::hex(std::uint32_t value, int digits) {
    Number number;
    number.text_[number.size_++] = '0';
    number.text_[number.size_++] = 'x';
    int shown = 8;
    while (shown > digits && shown > 1 && (value >> ((shown - 1) * 4)) == 0) {
        --shown;
    }
    for (int digit = shown - 1; digit >= 0; --digit) {
        number.text_[number.size_++] = HexDigits[(value >> (digit * 4)) & 0xF];
    }
    return number;
}

Number Number::byte(std::uint8_t value) {
    Number number;
    number.text_[number.size_++] = HexDigits[value >> 4];
    number.text_[number.size_++] = HexDigits[value & 0xF];
    return number;
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

Line& Line::format(std::string_view pattern, TextArguments arguments) {
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        const bool placeholder = pattern[i] == '{' && i + 2 < pattern.size() &&
                                 pattern[i + 1] >= '1' && pattern[i + 1] <= '9' &&
                                 pattern[i + 2] == '}';
        const std::size_t index = placeholder ? static_cast<std::size_t>(pattern[i + 1] - '1') : 0;
        if (placeholder && index < arguments.size()) {
            add(arguments.begin()[index]);
            i += 2;
        } else {
            add(pattern[i]);
        }
    }
    return *this;
}

void Console::result(Text id, TextArguments arguments) const {
    printLine(Stream::Out, {}, text(id), arguments);
}

void Console::error(Text id, TextArguments arguments) const {
    printLine(Stream::Err, "rfprog-cli: ", text(id), arguments);
}

void Console::note(Text id, TextArguments arguments) const {
    printLine(Stream::Err, {}, text(id), arguments);
}

} // namespace rfprog::cli
