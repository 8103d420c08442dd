#include "ui/block_parameters.h"

#include "ui/messages.h"
#include "ui/resource_ids.h"

#include <array>

namespace rfprog {

namespace {

constexpr std::size_t HexFieldLimit = 8; // at most 7 characters and a terminating zero
constexpr std::size_t HexFieldMaxDigits = 6;
// Six digits hold every file offset and nothing past it, so the field needs no range test.
static_assert(MaxFileOffset == (std::uint32_t{1} << (4 * HexFieldMaxDigits)) - 1);

int hexDigit(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

std::nullopt_t refuse(DialogWindow& window) {
    showMessage(window, Message::InvalidParameters);
    return std::nullopt;
}

} // namespace

std::optional<std::uint32_t> parseHexField(DialogWindow& window, int controlId) {
    std::array<char, HexFieldLimit> text{};
    const std::size_t count = window.fieldText8(controlId, text);
    if (count == 0 || count > HexFieldMaxDigits) {
        return refuse(window);
    }
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const int digit = hexDigit(text[i]);
        if (digit < 0) {
            return refuse(window);
        }
        value = value * 16 + static_cast<std::uint32_t>(digit);
    }
    return value;
}

std::optional<BlockParameters> parseBlockParameters(DialogWindow& window) {
    if (!window.isChecked(IDC_EXTRA)) {
        return BlockParameters{};
    }
    const auto fileOffset = parseHexField(window, IDC_FILE_OFFSET);
    if (!fileOffset) {
        return std::nullopt;
    }
    const auto romOffset = parseHexField(window, IDC_ROM_OFFSET);
    if (!romOffset) {
        return std::nullopt;
    }
    const auto length = parseHexField(window, IDC_LENGTH);
    if (!length) {
        return std::nullopt;
    }
    const BlockParameters block{*fileOffset, *romOffset, *length};
    if (checkBlock(block) != BlockFault::None) {
        return refuse(window);
    }
    return block;
}

} // namespace rfprog
