// Shared by the fuzz targets: the invariant check, the input split into lines, and an
// independent reading of the block fields to hold the parser against.
#pragma once

#include "core/rom_basics.h"
#include "ui/block_parameters.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace rfprog::fuzz {

[[noreturn]] inline void invariantBroken(const char* what, const char* file, int line) {
    std::fprintf(stderr, "%s:%d: invariant broken: %s\n", file, line, what);
    std::abort();
}

// Stays on in every build type: the fuzz targets exist to find these.
#define FUZZ_CHECK(condition)                                                                      \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            ::rfprog::fuzz::invariantBroken(#condition, __FILE__, __LINE__);                       \
        }                                                                                          \
    } while (false)

inline std::vector<std::string_view> splitLines(const std::uint8_t* data, std::size_t size) {
    std::vector<std::string_view> lines;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t end = std::min(text.find('\n', start), text.size());
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

// What an 8-byte field read yields: the text up to its end or a zero, at most 7 characters.
inline std::string visibleHexText(const std::string& field) {
    return field.substr(0, std::min<std::size_t>(field.find('\0'), 7));
}

// A field as the operator's number: 1 to 6 characters, each an upper-case hex digit.
inline std::optional<std::uint32_t> referenceHexField(const std::string& field) {
    const std::string text = visibleHexText(field);
    if (text.empty() || text.size() > 6 ||
        text.find_first_not_of("0123456789ABCDEF") != std::string::npos) {
        return std::nullopt;
    }
    return static_cast<std::uint32_t>(std::strtoul(text.c_str(), nullptr, 16));
}

// The block that the three fields describe, or nothing when the command must be refused.
inline std::optional<BlockParameters> referenceBlock(bool extra, const std::string& fileOffset,
                                                     const std::string& romOffset,
                                                     const std::string& length) {
    if (!extra) {
        return BlockParameters{0, 0, RomSize};
    }
    const auto file = referenceHexField(fileOffset);
    const auto rom = referenceHexField(romOffset);
    const auto count = referenceHexField(length);
    if (!file || !rom || !count || *count < 1 || *count > RomSize || *rom >= RomSize ||
        *rom + *count > RomSize) {
        return std::nullopt;
    }
    return BlockParameters{*file, *rom, *count};
}

} // namespace rfprog::fuzz
