// The command-line program from its arguments (UTF-8, as main gets them, the program's
// name first) to its exit status.
#pragma once

#include <span>
#include <string_view>

namespace rfprog::cli {

// Most arguments after the program's name; more is a usage error.
inline constexpr std::size_t MaxArguments = 64;

int runCli(std::span<char* const> arguments);

} // namespace rfprog::cli
