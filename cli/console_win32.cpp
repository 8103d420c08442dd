#include "cli/platform.h"

#include <windows.h>

#include <array>

namespace rfprog::cli {

namespace {

HANDLE handle(Stream stream) {
    switch (stream) {
    case Stream::In:
        return GetStdHandle(STD_INPUT_HANDLE);
    case Stream::Out:
        return GetStdHandle(STD_OUTPUT_HANDLE);
    case Stream::Err:
        break;
    }
    return GetStdHandle(STD_ERROR_HANDLE);
}

} // namespace

bool isTerminal(Stream stream) {
    DWORD mode = 0;
    return GetConsoleMode(handle(stream), &mode) != 0;
}

// Colours need a console that takes escape sequences (Windows 10 and later), which a
// console shows only when asked to.
bool colourTerminal(Stream stream) {
    constexpr DWORD VirtualTerminalProcessing = 0x0004;
    DWORD mode = 0;
    // The size a value needs, with its terminating zero: 0 unset, 1 empty.
    return GetEnvironmentVariableW(L"NO_COLOR", nullptr, 0) <= 1 &&
           GetConsoleMode(handle(stream), &mode) != 0 &&
           SetConsoleMode(handle(stream), mode | VirtualTerminalProcessing) != 0;
}

// A console shows UTF-16 whatever its code page; files and pipes get the UTF-8 bytes.
bool writeText(Stream stream, std::string_view text) {
    HANDLE target = handle(stream);
    DWORD done = 0;
    if (!isTerminal(stream)) {
        return WriteFile(target, text.data(), static_cast<DWORD>(text.size()), &done, nullptr) !=
                   0 &&
               done == text.size();
    }
    std::array<wchar_t, 4096> wide{};
    while (!text.empty()) {
        // Pieces end at a line feed or a character boundary, never inside a sequence.
        std::size_t piece = text.size() < 2048 ? text.size() : 2048;
        while (piece < text.size() && (static_cast<unsigned char>(text[piece]) & 0xC0) == 0x80) {
            --piece;
        }
        const int count = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(piece),
                                              wide.data(), static_cast<int>(wide.size()));
        if (WriteConsoleW(target, wide.data(), static_cast<DWORD>(count), &done, nullptr) == 0) {
            return false;
        }
        text.remove_prefix(piece);
    }
    return true;
}

// Ctrl-C aborts a console read, possibly before the handler's thread has set the flag, so
// either tells an interruption from the end of input. A console is read as UTF-16, one
// character at a time, and kept as UTF-8 (whatever the console's code page, Cyrillic
// answers arrive intact); a file or pipe gives its bytes as they are.
LineResult waitForLine(std::span<char> buffer, std::size_t& length) {
    HANDLE input = handle(Stream::In);
    const bool console = isTerminal(Stream::In);
    length = 0;
    bool cut = false;
    for (;;) {
        std::array<char, 4> bytes{};
        int size = 0;
        DWORD count = 0;
        BOOL read = FALSE;
        if (console) {
            wchar_t c = 0;
            read = ReadConsoleW(input, &c, 1, &count, nullptr);
            if (read && count == 1) {
                size = WideCharToMultiByte(CP_UTF8, 0, &c, 1, bytes.data(),
                                           static_cast<int>(bytes.size()), nullptr, nullptr);
            }
        } else {
            read = ReadFile(input, bytes.data(), 1, &count, nullptr);
            size = static_cast<int>(count);
        }
        if (interruptRequested() || (!read && GetLastError() == ERROR_OPERATION_ABORTED)) {
            return LineResult::Interrupted;
        }
        if (!read || count == 0) {
            return LineResult::End;
        }
        if (size == 1 && bytes[0] == '\n') {
            return cut ? LineResult::TooLong : LineResult::Line;
        }
        for (int i = 0; i < size; ++i) {
            if (length < buffer.size()) {
                buffer[length++] = bytes[static_cast<std::size_t>(i)];
            } else {
                cut = true;
            }
        }
    }
}

Language userLanguage() {
    return PRIMARYLANGID(GetUserDefaultUILanguage()) == LANG_RUSSIAN ? Language::Russian
                                                                     : Language::English;
}

std::string_view environmentValue(const char* name, std::span<char> buffer) {
    std::array<wchar_t, 64> wideName{};
    for (std::size_t i = 0; name[i] != 0 && i + 1 < wideName.size(); ++i) {
        wideName[i] = static_cast<wchar_t>(name[i]); // the names are ASCII
    }
    std::array<wchar_t, 1024> value{};
    const DWORD length =
        GetEnvironmentVariableW(wideName.data(), value.data(), static_cast<DWORD>(value.size()));
    if (length == 0 || length >= value.size()) {
        return {};
    }
    const int size =
        WideCharToMultiByte(CP_UTF8, 0, value.data(), static_cast<int>(length), buffer.data(),
                            static_cast<int>(buffer.size()), nullptr, nullptr);
    return size > 0 ? std::string_view(buffer.data(), static_cast<std::size_t>(size))
                    : std::string_view();
}

} // namespace rfprog::cli
