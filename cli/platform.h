// What the command-line program needs of the system. Each group is implemented per
// system in a file with a _posix.cpp or _win32.cpp suffix.
#pragma once

#include "cli/texts.h"
#include "image/image_file.h"

#include <array>
#include <cstdint>
#include <span>
#include <string_view>

namespace rfprog::cli {

// The console (console_*.cpp). Texts are UTF-8.
enum class Stream { In, Out, Err };
bool isTerminal(Stream stream);
// False when it could not all be written (a closed pipe, a full disk).
bool writeText(Stream stream, std::string_view text);
// Whether stream is a terminal that shows colours, and the user has not asked for none
// (NO_COLOR set to anything).
bool colourTerminal(Stream stream);
enum class LineResult { Line, TooLong, End, Interrupted };
// Waits for a line on standard input and keeps it, without its line feed, as UTF-8 in
// buffer (length its size): TooLong when it did not fit, and was read to its end anyway.
// A signal ends the wait.
LineResult waitForLine(std::span<char> buffer, std::size_t& length);
// Russian where the user's locale (or, on Windows, UI language) is Russian.
Language userLanguage();
// An environment variable as UTF-8 in buffer; empty when unset or too long.
std::string_view environmentValue(const char* name, std::span<char> buffer);

// Interruption (interrupt_*.cpp): Ctrl-C, SIGTERM, the console's close event. The
// handlers only set a flag; the program looks at it between bytes.
void installInterruptHandlers();
bool interruptRequested();

// Files (files_*.cpp).
// A name as image/ takes it: the system's longest path on Linux, the length the Windows
// build has always allowed.
#ifdef _WIN32
using FileName = std::array<FileNameChar, 1024>;
#else
using FileName = std::array<FileNameChar, 4096>;
#endif
// A UTF-8 name, zero-terminated in fileName as image/ takes it (the same bytes on POSIX,
// UTF-16 on Windows); false when it cannot be one.
bool toFileName(std::string_view name, FileName& fileName);
enum class WholeFileRead { Read, Missing, CannotRead, TooLarge };
// The whole of a UTF-8 named file into buffer, its length in size. Missing: the name
// names nothing (a new file); CannotRead: a directory, no rights, an unusable name.
WholeFileRead readWholeFile(std::string_view name, std::span<std::uint8_t> buffer,
                            std::size_t& size);
// Whether two UTF-8 names name one file: the same file where both exist, else the same
// name.
bool sameFile(std::string_view first, std::string_view second);
// Removes the file; false when it could not.
bool removeFile(std::string_view name);
// A file written from the start: created, or truncated when it exists.
class OutputFile {
  public:
    bool create(std::string_view name);
    bool write(std::string_view bytes);
    bool close();

  private:
    std::intptr_t handle_ = -1;
};

} // namespace rfprog::cli
