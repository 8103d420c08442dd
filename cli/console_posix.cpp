#include "cli/interrupt_posix.h"
#include "cli/platform.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>

#include <poll.h>
#include <unistd.h>

namespace rfprog::cli {

namespace {

int descriptor(Stream stream) {
    switch (stream) {
    case Stream::In:
        return STDIN_FILENO;
    case Stream::Out:
        return STDOUT_FILENO;
    case Stream::Err:
        break;
    }
    return STDERR_FILENO;
}

} // namespace

bool isTerminal(Stream stream) {
    return isatty(descriptor(stream)) == 1;
}

bool colourTerminal(Stream stream) {
    const char* term = std::getenv("TERM");
    const char* noColour = std::getenv("NO_COLOR");
    return isTerminal(stream) && term != nullptr && term[0] != 0 &&
           std::string_view(term) != "dumb" && (noColour == nullptr || noColour[0] == 0);
}

bool writeText(Stream stream, std::string_view text) {
    const int fd = descriptor(stream);
    while (!text.empty()) {
        const ssize_t written = ::write(fd, text.data(), text.size());
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            return false; // a closed pipe: nothing more can be said
        }
        text.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

// Byte by byte, so that nothing after the line is taken from the input. The wait also
// watches the signal pipe: a signal that comes just before the read would otherwise be
// missed, and the wait (with the voltage on, for --hold) would go on.
LineResult waitForLine(std::span<char> buffer, std::size_t& length) {
    length = 0;
    bool cut = false;
    for (;;) {
        if (interruptRequested()) {
            return LineResult::Interrupted;
        }
        pollfd waits[] = {{STDIN_FILENO, POLLIN, 0}, {interruptDescriptor(), POLLIN, 0}};
        if (::poll(waits, waits[1].fd < 0 ? 1 : 2, -1) < 0) {
            if (errno == EINTR) {
                continue;
            }
            return LineResult::End;
        }
        if (interruptRequested()) {
            return LineResult::Interrupted;
        }
        char c = 0;
        const ssize_t count = ::read(STDIN_FILENO, &c, 1);
        if (count < 0) {
            if (errno == EINTR || errno == EAGAIN) {
                continue;
            }
            return LineResult::End;
        }
        if (count == 0) {
            return LineResult::End;
        }
        if (c == '\n') {
            return cut ? LineResult::TooLong : LineResult::Line;
        }
        if (length < buffer.size()) {
            buffer[length++] = c;
        } else {
            cut = true;
        }
    }
}

// The first of LC_ALL, LC_MESSAGES and LANG that is set decides, as for any program.
Language userLanguage() {
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(name);
        if (value != nullptr && value[0] != 0) {
            return std::string_view(value).starts_with("ru") ? Language::Russian
                                                             : Language::English;
        }
    }
    return Language::English;
}

std::string_view environmentValue(const char* name, std::span<char> buffer) {
    const char* value = std::getenv(name);
    if (value == nullptr) {
        return {};
    }
    const std::string_view text(value);
    if (text.size() > buffer.size()) {
        return {};
    }
    std::copy(text.begin(), text.end(), buffer.begin());
    return {buffer.data(), text.size()};
}

} // namespace rfprog::cli
