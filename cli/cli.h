// The command-line program from its arguments (UTF-8, without the program's name) to
// its exit status.
#pragma once

#include <span>
#include <string_view>

namespace rfprog::cli {

// Most arguments the entry points pass on; more is a usage error.
inline constexpr std::size_t MaxArguments = 64;

int runCli(std::span<const std::string_view> arguments);

} // namespace rfprog::cli
