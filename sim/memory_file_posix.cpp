#include "sim/memory_file.h"

#include "image/image_file.h"

namespace rfprog::sim {

// The image file's own reader: no host here is handed its ROM through a pipe.
void loadMemory(const FileNameChar* name, RomImage& memory) {
    readImageBlock(name, memory, 0);
}

} // namespace rfprog::sim
