// A number as the command line takes it, in options and in --port alike.
#pragma once

#include <charconv>
#include <cstdint>
#include <optional>
#include <string_view>

namespace rfprog::cli {

enum class NumberText { Number, NotNumber, TooLarge };

// Decimal, or hexadecimal after 0x, into value; TooLarge when its digits are right but
// it does not fit 32 bits.
inline NumberText readNumber(std::string_view text, std::uint32_t& value) {
    int radix = 10;
    if (text.starts_with("0x") || text.starts_with("0X")) {
        text.remove_prefix(2);
        radix = 16;
    }
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value, radix);
    if (text.empty() || stop != end) {
        return NumberText::NotNumber;
    }
    if (error == std::errc::result_out_of_range) {
        return NumberText::TooLarge;
    }
    return error == std::errc() ? NumberText::Number : NumberText::NotNumber;
}

// The number, or nullopt when text is not one or does not fit 32 bits.
inline std::optional<std::uint32_t> parseNumber(std::string_view text) {
    std::uint32_t value = 0;
    return readNumber(text, value) == NumberText::Number ? std::optional(value) : std::nullopt;
}

} // namespace rfprog::cli
