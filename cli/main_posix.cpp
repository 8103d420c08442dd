// rfprog-cli on Linux: the arguments as they come, UTF-8.
#include "cli/cli.h"

#include <array>

int main(int argc, char** argv) {
    std::array<std::string_view, rfprog::cli::MaxArguments + 1> arguments{};
    std::size_t count = 0;
    for (int i = 1; i < argc && count < arguments.size(); ++i) {
        arguments[count++] = argv[i];
    }
    return rfprog::cli::runCli(std::span(arguments).first(count));
}
