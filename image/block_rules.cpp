#include "image/block_rules.h"

#include "image/image_file.h"

namespace rfprog {

BlockFault checkBlock(const BlockParameters& block) {
    if (block.length == 0) {
        return BlockFault::Empty;
    }
    if (block.romOffset > RomSize || block.length > RomSize - block.romOffset) {
        return BlockFault::PastRomEnd;
    }
    return BlockFault::None;
}

namespace {

template <typename Char>
FileBlockLoad loadBlock(const Char* name, const BlockParameters& block,
                        std::span<std::uint8_t> buffer) {
    const int result = name == nullptr
                           ? ImageCannotOpen
                           : readImageBlock(name, buffer.first(block.length), block.fileOffset);
    if (result == ImageTransferred) {
        return FileBlockLoad::Loaded;
    }
    return result == ImageCannotOpen ? FileBlockLoad::CannotOpen : FileBlockLoad::TooShort;
}

} // namespace

FileBlockLoad loadFileBlock(const FileNameChar* name, const BlockParameters& block,
                            std::span<std::uint8_t> buffer) {
    return loadBlock(name, block, buffer);
}

#ifndef _WIN32
FileBlockLoad loadFileBlock(const char16_t* name, const BlockParameters& block,
                            std::span<std::uint8_t> buffer) {
    return loadBlock(name, block, buffer);
}
#endif

} // namespace rfprog
