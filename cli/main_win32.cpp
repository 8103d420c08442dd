// rfprog-cli on Windows: the UTF-16 arguments as UTF-8.
#include "cli/cli.h"

#include <windows.h>

#include <array>

int wmain(int argc, wchar_t** argv) {
    std::array<std::string_view, rfprog::cli::MaxArguments + 1> arguments{};
    // A command line holds at most 32 767 UTF-16 units, each at most 3 bytes of UTF-8.
    static std::array<char, 3 * 32768> Text{};
    std::size_t count = 0;
    std::size_t used = 0;
    for (int i = 1; i < argc && count < arguments.size(); ++i) {
        const int size =
            WideCharToMultiByte(CP_UTF8, 0, argv[i], -1, Text.data() + used,
                                static_cast<int>(Text.size() - used), nullptr, nullptr);
        if (size <= 0) {
            break;
        }
        arguments[count++] =
            std::string_view(Text.data() + used, static_cast<std::size_t>(size - 1));
        used += static_cast<std::size_t>(size);
    }
    return rfprog::cli::runCli(std::span(arguments).first(count));
}
