// rfprog-cli on Windows: the UTF-16 arguments as UTF-8, in static buffers.
#include "cli/cli.h"

#include <windows.h>

#include <array>

int wmain(int argc, wchar_t** argv) {
    // The program's name, the arguments and one more, which runCli refuses.
    static std::array<char*, rfprog::cli::MaxArguments + 2> Arguments{};
    // A command line holds at most 32 767 UTF-16 units, each at most 3 bytes of UTF-8.
    static std::array<char, 3 * 32768> Text{};
    std::size_t count = 0;
    std::size_t used = 0;
    for (int i = 0; i < argc && count < Arguments.size(); ++i) {
        const int size =
            WideCharToMultiByte(CP_UTF8, 0, argv[i], -1, Text.data() + used,
                                static_cast<int>(Text.size() - used), nullptr, nullptr);
        if (size <= 0) {
            break;
        }
        Arguments[count++] = Text.data() + used;
        used += static_cast<std::size_t>(size);
    }
    return rfprog::cli::runCli(std::span(Arguments).first(count));
}
