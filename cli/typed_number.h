// A number as the command line takes it, in options and in --port alike.
#pragma once

#include <charconv>
#include <cstdint>
#include <optional>
#include <string_view>

namespace rfprog::cli {

// Decimal, or hexadecimal after 0x; nullopt when text is not one or does not fit 32 bits.
inline std::optional<std::uint32_t> parseNumber(std::string_view text) {
    int radix = 10;
    if (text.starts_with("0x") || text.starts_with("0X")) {
        text.remove_prefix(2);
        radix = 16;
    }
    std::uint32_t value = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value, radix);
    if (text.empty() || error != std::errc() || stop != end) {
        return std::nullopt;
    }
    return value;
}

} // namespace rfprog::cli
