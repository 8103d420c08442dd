#include "cli/output.h"

#include "cli/platform.h"

namespace rfprog::cli {

namespace {

void printLine(Stream stream, std::string_view prefix, std::string_view pattern,
               TextArguments arguments, std::string_view tail = {}) {
    Line line;
    line.add(prefix).format(pattern, arguments).add(tail).add('\n');
    writeText(stream, line.view());
}

} // namespace

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

void Console::result(Text id, TextArguments arguments, std::string_view tail) const {
    printLine(Stream::Out, {}, text(id), arguments, tail);
}

void Console::error(Text id, TextArguments arguments) const {
    printLine(Stream::Err, "rfprog-cli: ", text(id), arguments);
}

void Console::note(Text id, TextArguments arguments) const {
    printLine(Stream::Err, {}, text(id), arguments);
}

} // namespace rfprog::cli
