// ImageFile: one block of bytes between memory and a raw image file, at a byte
// offset inside the file. Results: 0 when the whole block was transferred, 1 when
// fewer bytes were, -1 when the file cannot be opened or positioned.
#pragma once

#include <cstdint>
#include <span>

namespace rfprog {

inline constexpr int ImageTransferred = 0;
inline constexpr int ImageShortTransfer = 1;
inline constexpr int ImageCannotOpen = -1;

// A file name as the system's file services take it, zero-terminated: UTF-16 on Windows,
// the bytes of the name (UTF-8) on POSIX.
#ifdef _WIN32
using FileNameChar = char16_t;
#else
using FileNameChar = char;
#endif

// Opens an existing file for reading; other programs may read it meanwhile.
int readImageBlock(const FileNameChar* name, std::span<std::uint8_t> buffer,
                   std::uint32_t fileOffset);

// Opens or creates the file with no sharing and without truncation: the file keeps
// its length and every byte outside the block; a block past the end extends it.
int writeImageBlock(const FileNameChar* name, std::span<const std::uint8_t> buffer,
                    std::uint32_t fileOffset);

// Puts the file temporaryName in the place of name in one step, replacing name when
// it exists, so that a reader sees either the old file or the new one whole. Both
// lie in the same folder. False when the rename fails (temporaryName then stays).
bool replaceImageFile(const FileNameChar* temporaryName, const FileNameChar* name);

#ifndef _WIN32
// The dialog program's names are UTF-16 on every system (its file-name field); on POSIX,
// where only its tests run, they are turned into UTF-8 first. An unpaired surrogate
// cannot be opened.
int readImageBlock(const char16_t* name, std::span<std::uint8_t> buffer, std::uint32_t fileOffset);
int writeImageBlock(const char16_t* name, std::span<const std::uint8_t> buffer,
                    std::uint32_t fileOffset);
#endif

} // namespace rfprog
