// A picture of a block, one cell per byte: how each byte compared, or what it holds when
// nothing was expected. Where the differences lie tells what a list of the first few
// cannot: a stuck address line draws stripes, a weak chip scattered dots, a write that
// stopped half way one stretch, a bad socket contact whole columns. The picture goes to
// the terminal (colour half-blocks, or one character a cell) and into an SVG file.
#pragma once

#include "cli/texts.h"
#include "device/programmer_registers.h"

#include <array>
#include <cstdint>
#include <span>
#include <string_view>

namespace rfprog::cli {

// The first four are flags: bits read 1 where 0 was expected, bits read 0 where 1 was.
enum class Cell : std::uint8_t {
    Equal = 0,
    ReadOne = 1,
    ReadZero = 2,
    Both = 3,
    Unstable,    // not read alike on every pass
    NotCompared, // outside a record file's data
    Erased,      // nothing expected: reads FF
    Holds,       // nothing expected: holds another byte
};

inline constexpr std::size_t CellKinds = 8;
inline constexpr std::uint32_t MapColumns = 64;

struct CellMap {
    bool comparison = false; // false: a read's contents
    std::uint32_t romOffset = 0;
    std::uint32_t length = 0; // 0: nothing mapped
    std::array<Cell, RomSize> cells{};

    std::uint32_t count(Cell kind) const;
};

// The block read in passes (majority: each bit as most passes read it) against expected;
// an empty expected maps what the block holds. A non-empty defined names the bytes that
// are compared. A byte the passes disagree on is unstable, whatever else it is.
void mapCells(CellMap& map, std::span<const std::uint8_t> expected,
              std::span<const std::span<const std::uint8_t>> passes,
              std::span<const std::uint8_t> majority, std::span<const bool> defined,
              std::uint32_t romOffset);

// Adds another comparison of the same block: a cell differs in the bits it differs in
// either.
void mergeCells(CellMap& into, const CellMap& other);

// Where the pictures go, a piece at a time; false once a piece cannot be written.
class TextSink {
  public:
    virtual bool put(std::string_view text) = 0;

  protected:
    ~TextSink() = default;
};

// The terminal's picture: the column offsets, the rows with their addresses, the legend.
// In colour two rows share a line of half-blocks; plain, one character a cell.
bool drawCellMap(const CellMap& map, bool colour, Language language, TextSink& sink);

// The same picture as an SVG document.
bool drawCellMapSvg(const CellMap& map, Language language, TextSink& sink);

} // namespace rfprog::cli
