// The block that Read, Write and Compare work on, in both programs: a stretch of the ROM
// and the same number of bytes of the image file. Each program reads the three numbers
// its own way (the dialog's hexadecimal fields, the command line's options); the limits,
// the defaults, the checks and the loading of the file's bytes are these.
#pragma once

#include "core/rom_basics.h"
#include "image/image_file.h"

#include <cstdint>
#include <span>

namespace rfprog {

struct BlockParameters {
    std::uint32_t fileOffset = 0;
    std::uint32_t romOffset = 0;
    std::uint32_t length = RomSize;

    friend bool operator==(const BlockParameters&, const BlockParameters&) = default;
};

// The limit of each number on its own. The file offset reaches as far as the dialog's six
// hexadecimal digits do.
inline constexpr std::uint32_t MaxFileOffset = 0xFFFFFF;
inline constexpr std::uint32_t MaxRomOffset = RomSize - 1;
inline constexpr std::uint32_t MaxBlockLength = RomSize;

enum class BlockFault {
    None,
    Empty,      // a length of 0
    PastRomEnd, // romOffset + length > RomSize; a block that ends exactly at RomSize is whole
};

// The rules for the block as a whole, once each number has been read. A ROM offset or a
// length past its own limit ends past the ROM; the sum cannot wrap around.
BlockFault checkBlock(const BlockParameters& block);

enum class FileBlockLoad {
    Loaded,
    CannotOpen, // missing, a directory, not readable, or no usable name at all
    TooShort,   // fewer than length bytes from fileOffset on
};

// Fills the first block.length bytes of buffer (at least that long) from the file at
// block.fileOffset. A null name stands for a name that cannot be used.
FileBlockLoad loadFileBlock(const FileNameChar* name, const BlockParameters& block,
                            std::span<std::uint8_t> buffer);
#ifndef _WIN32
// The dialog program's UTF-16 names, on POSIX where only its tests run.
FileBlockLoad loadFileBlock(const char16_t* name, const BlockParameters& block,
                            std::span<std::uint8_t> buffer);
#endif

} // namespace rfprog
