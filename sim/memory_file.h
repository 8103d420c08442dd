// Reading a simulated memory's file, from its start, as a stream: the file may be one that
// cannot be positioned, such as a pipe through which a test hands the ROM over.
#pragma once

#include "image/image_file.h"
#include "sim/simulated_board.h"

namespace rfprog::sim {

// A missing file leaves the memory as it was; a short one fills what it holds.
void loadMemory(const FileNameChar* name, RomImage& memory);

} // namespace rfprog::sim
