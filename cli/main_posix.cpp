// rfprog-cli on Linux: the arguments as they come, UTF-8.
#include "cli/cli.h"

int main(int argc, char** argv) {
    return rfprog::cli::runCli(std::span(argv, static_cast<std::size_t>(argc)));
}
