#include "ui/program_state.h"

namespace rfprog {

std::array<std::uint8_t, ImageBufferSize> ImageBuffer{};
std::array<char16_t, FileNameBufferSize> FileNameBuffer{};

} // namespace rfprog
