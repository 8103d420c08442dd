// FILE in any of its formats: the block loaded from it for write and verify, and the
// block read from the ROM put into it. A raw file is a run of bytes at a file offset;
// an Intel HEX or S-record file holds addresses, and its base (its lowest address
// rounded down to a whole ROM) stands for ROM 0, so that a block keeps its place.
// Every problem with FILE is found before the port is opened.
#pragma once

#include "cli/exit_status.h"
#include "cli/options.h"
#include "cli/output.h"
#include "image/image_file.h"

#include <cstddef>
#include <cstdint>
#include <span>

namespace rfprog::cli {

// Where the block lies in FILE.
struct FilePlace {
    std::uint32_t address = 0;    // the file offset (raw) or the file address (record files)
    std::uint32_t undefined = 0;  // write, verify: bytes of the block a record file leaves out
    std::size_t existingSize = 0; // read into an existing record file: the length of its text
    bool stream = false;          // read into standard output, a pipe or a device
};

// write, verify: the block from FILE into block. For a record file, the bytes it does
// not define are FFh and defined tells which it does (as long as block); a raw file
// defines every byte and leaves defined alone. A record file with data beyond the ROM's
// stretch from its base is refused unless --file-offset places the block; file bytes
// the block leaves out are noted.
ExitStatus loadBlockFromFile(const Options& options, std::span<std::uint8_t> block,
                             std::span<bool> defined, const Console& console, FilePlace& place);

// read, before the port is opened: the address the block goes to and, for an existing
// record file, its text, checked and kept for storeReadBlock. FILE that is not a regular
// file gets a new file's text and is never read.
ExitStatus prepareReadIntoFile(const Options& options, const Console& console, FilePlace& place);

// read: the block into FILE. A raw file is patched in place; a record file is written
// whole beside it and then put in its place, so that a failure leaves the old one.
ExitStatus storeReadBlock(const Options& options, const FileNameChar* name,
                          std::span<const std::uint8_t> block, const FilePlace& place,
                          const Console& console);

// What a write or verify result line adds for a record file: the address used and the
// bytes left out (undefinedText, when there are any). Nothing for a raw file.
void appendPlace(const Options& options, const FilePlace& place, Text undefinedText,
                 const Console& console, Line& tail);

} // namespace rfprog::cli
