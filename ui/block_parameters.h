// BlockParameters: the stretch of the ROM and of the image file that Read, Write
// and Compare work on, taken from the window's optional hexadecimal fields.
#pragma once

#include "image/block_rules.h"
#include "ui/dialog_window.h"

#include <cstdint>
#include <optional>

namespace rfprog {

// One field: 1 to 6 upper-case hexadecimal digits. On failure the parameter message
// has been shown.
std::optional<std::uint32_t> parseHexField(DialogWindow& window, int controlId);

// The defaults when "Дополнительные параметры" is not ticked (the fields are then not
// read); otherwise the three fields, checked by the block rules. On failure exactly one message has
// been shown and the command must stop.
std::optional<BlockParameters> parseBlockParameters(DialogWindow& window);

} // namespace rfprog
