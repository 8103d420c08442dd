#include "cli/cell_map.h"

#include "cli/output.h"

#include <algorithm>

namespace rfprog::cli {

namespace {

// How a kind of cell shows: its character, its terminal colour (0-15, the 16 that every
// colour terminal has), its SVG fill and its name in the legend.
struct CellLook {
    char mark;
    std::uint8_t colour;
    std::string_view fill;
    Text name;
};

constexpr std::array<CellLook, CellKinds> Looks = {{
    {'.', 2, "#43a047", Text::MapEqual},
    {'1', 1, "#e53935", Text::MapReadOne},
    {'0', 4, "#1e88e5", Text::MapReadZero},
    {'X', 5, "#8e24aa", Text::MapBoth},
    {'?', 11, "#fdd835", Text::MapUnstable},
    {'-', 8, "#9e9e9e", Text::MapNotCompared},
    {'F', 7, "#e0e0e0", Text::MapErased},
    {'#', 6, "#00acc1", Text::MapHolds},
}};

// The legend's kinds, in its order; the last ones only when the block has such cells.
constexpr Cell ComparisonLegend[] = {Cell::Equal, Cell::ReadOne,  Cell::ReadZero,
                                     Cell::Both,  Cell::Unstable, Cell::NotCompared};
constexpr std::size_t ComparisonAlwaysShown = 4;
constexpr Cell ContentsLegend[] = {Cell::Erased, Cell::Holds, Cell::Unstable};
constexpr std::size_t ContentsAlwaysShown = 2;

const CellLook& look(Cell cell) {
    return Looks[static_cast<std::size_t>(cell)];
}

// The kinds the legend names, each with its count, in order; false when no more.
class LegendEntries {
  public:
    explicit LegendEntries(const CellMap& map)
        : map_(map), kinds_(map.comparison ? std::span<const Cell>(ComparisonLegend)
                                           : std::span<const Cell>(ContentsLegend)),
          alwaysShown_(map.comparison ? ComparisonAlwaysShown : ContentsAlwaysShown) {}

    bool next(Cell& kind, std::uint32_t& count) {
        for (; at_ < kinds_.size(); ++at_) {
            kind = kinds_[at_];
            count = map_.count(kind);
            if (at_ < alwaysShown_ || count > 0) {
                ++at_;
                return true;
            }
        }
        return false;
    }

  private:
    const CellMap& map_;
    std::span<const Cell> kinds_;
    std::size_t alwaysShown_;
    std::size_t at_ = 0;
};

// Text for a sink, gathered into lines of a fixed buffer and handed on before it fills.
class Pieces {
  public:
    explicit Pieces(TextSink& sink) : sink_(sink) {}

    Pieces& add(std::string_view text) {
        if (line_.size() + text.size() > FlushAt) {
            flush();
        }
        line_.add(text);
        return *this;
    }
    Pieces& add(char c, std::size_t count = 1) {
        for (std::size_t i = 0; i < count; ++i) {
            add(std::string_view(&c, 1));
        }
        return *this;
    }
    Pieces& number(std::uint32_t value) { return add(Number::decimal(value).view()); }
    bool finish() {
        flush();
        return written_;
    }

  private:
    static constexpr std::size_t FlushAt = 3072;

    void flush() {
        written_ = written_ && sink_.put(line_.view());
        line_ = Line();
    }

    TextSink& sink_;
    Line line_;
    bool written_ = true;
};

// The block's cells by ROM address; addresses outside it have none.
bool inBlock(const CellMap& map, std::uint32_t address) {
    return address >= map.romOffset && address < map.romOffset + map.length;
}

Cell cellAt(const CellMap& map, std::uint32_t address) {
    return map.cells[address - map.romOffset];
}

std::uint32_t firstRow(const CellMap& map) {
    return map.romOffset / MapColumns;
}

std::uint32_t rowsOf(const CellMap& map) {
    return (map.romOffset + map.length - 1) / MapColumns - firstRow(map) + 1;
}

// The column offsets over the cells: every eighth, and the last.
void addColumnOffsets(Pieces& out, std::size_t indent) {
    out.add(' ', indent);
    for (std::uint32_t column = 0; column < MapColumns; column += 8) {
        out.add(Number::byte(static_cast<std::uint8_t>(column)).view())
            .add(' ', column < 56 ? 6 : 4);
    }
    out.add(Number::byte(MapColumns - 1).view()).add('\n');
}

// An SGR sequence for a foreground and a background colour, -1 for the terminal's own.
void addColours(Pieces& out, int foreground, int background) {
    out.add("\x1b[");
    out.number(static_cast<std::uint32_t>(foreground < 0   ? 39
                                          : foreground < 8 ? 30 + foreground
                                                           : 90 + foreground - 8));
    out.add(';');
    out.number(static_cast<std::uint32_t>(background < 0   ? 49
                                          : background < 8 ? 40 + background
                                                           : 100 + background - 8));
    out.add('m');
}

// Two rows in one line: the upper half of a character cell is the upper row's cell.
void addHalfBlockLine(Pieces& out, const CellMap& map, std::uint32_t row) {
    int shownForeground = -2;
    int shownBackground = -2;
    for (std::uint32_t column = 0; column < MapColumns; ++column) {
        const std::uint32_t upper = row * MapColumns + column;
        const std::uint32_t lower = upper + MapColumns;
        const int top = inBlock(map, upper) ? look(cellAt(map, upper)).colour : -1;
        const int bottom = inBlock(map, lower) ? look(cellAt(map, lower)).colour : -1;
        int foreground = top;
        int background = bottom;
        std::string_view glyph = "▀";
        if (top < 0 && bottom < 0) {
            glyph = " ";
        } else if (top < 0) {
            glyph = "▄";
            foreground = bottom;
            background = -1;
        } else if (top == bottom) {
            glyph = "█";
            background = -1;
        }
        if (foreground != shownForeground || background != shownBackground) {
            addColours(out, foreground, background);
            shownForeground = foreground;
            shownBackground = background;
        }
        out.add(glyph);
    }
    out.add("\x1b[0m\n");
}

void addPlainLine(Pieces& out, const CellMap& map, std::uint32_t row) {
    const std::uint32_t end = std::min((row + 1) * MapColumns, map.romOffset + map.length);
    for (std::uint32_t address = row * MapColumns; address < end; ++address) {
        out.add(inBlock(map, address) ? look(cellAt(map, address)).mark : ' ');
    }
    out.add('\n');
}

// One SVG element's attribute: ` name="value"`.
Pieces& attribute(Pieces& out, std::string_view name, std::uint32_t value) {
    return out.add(' ').add(name).add("=\"").number(value).add('"');
}

// The SVG's geometry: cells of CellStep pixels with a pixel between them, the row
// addresses left of them, the column offsets above, the legend below, a line a kind.
constexpr std::uint32_t CellStep = 10;
constexpr std::uint32_t SvgLeft = 48;
constexpr std::uint32_t SvgTop = 20;
constexpr std::uint32_t LegendStep = 14;

void addSvgText(Pieces& out, std::uint32_t x, std::uint32_t y, std::string_view text) {
    out.add("<text");
    attribute(out, "x", x);
    attribute(out, "y", y);
    out.add('>').add(text).add("</text>\n");
}

void addSvgCell(Pieces& out, std::uint32_t x, std::uint32_t y, Cell cell) {
    out.add("<rect");
    attribute(out, "x", x);
    attribute(out, "y", y);
    out.add(" width=\"9\" height=\"9\" class=\"c")
        .number(static_cast<std::uint32_t>(cell))
        .add("\"/>\n");
}

} // namespace

std::uint32_t CellMap::count(Cell kind) const {
    return static_cast<std::uint32_t>(std::count(cells.begin(), cells.begin() + length, kind));
}

void mapCells(CellMap& map, std::span<const std::uint8_t> expected,
              std::span<const std::span<const std::uint8_t>> passes,
              std::span<const std::uint8_t> majority, std::span<const bool> defined,
              std::uint32_t romOffset) {
    map.comparison = !expected.empty();
    map.romOffset = romOffset;
    map.length = static_cast<std::uint32_t>(majority.size());
    for (std::size_t i = 0; i < majority.size(); ++i) {
        const std::uint8_t read = majority[i];
        const bool unstable = std::any_of(passes.begin(), passes.end(),
                                          [&](auto pass) { return pass[i] != passes.front()[i]; });
        Cell cell = read == ErasedByte ? Cell::Erased : Cell::Holds;
        if (unstable) {
            cell = Cell::Unstable;
        } else if (map.comparison && !defined.empty() && !defined[i]) {
            cell = Cell::NotCompared;
        } else if (map.comparison) {
            const int readOne = (read & ~expected[i]) != 0 ? 1 : 0;
            const int readZero = (~read & expected[i]) != 0 ? 2 : 0;
            cell = static_cast<Cell>(readOne | readZero);
        }
        map.cells[i] = cell;
    }
}

void mergeCells(CellMap& into, const CellMap& other) {
    for (std::uint32_t i = 0; i < into.length; ++i) {
        const Cell cell = other.cells[i];
        if (into.cells[i] <= Cell::Both && cell <= Cell::Both) {
            into.cells[i] =
                static_cast<Cell>(static_cast<int>(into.cells[i]) | static_cast<int>(cell));
        } else if (cell != Cell::Equal) {
            into.cells[i] = std::max(into.cells[i], cell);
        }
    }
}

bool drawCellMap(const CellMap& map, bool colour, Language language, TextSink& sink) {
    Pieces out(sink);
    // "0x000 " for a row, "0x000/040 " for the two of a half-block line.
    const std::size_t indent = colour ? 10 : 6;
    addColumnOffsets(out, indent);
    const std::uint32_t first = firstRow(map);
    const std::uint32_t end = first + rowsOf(map);
    for (std::uint32_t row = first; row < end; row += colour ? 2 : 1) {
        out.add(Number::hex(row * MapColumns, 3).view());
        if (colour) {
            const Number lower = Number::hex((row + 1) * MapColumns, 3);
            out.add('/').add(std::string_view(lower.view().data() + 2, 3));
        }
        out.add(' ');
        if (colour) {
            addHalfBlockLine(out, map, row);
        } else {
            addPlainLine(out, map, row);
        }
    }
    LegendEntries legend(map);
    Cell kind = Cell::Equal;
    std::uint32_t count = 0;
    for (bool firstEntry = true; legend.next(kind, count); firstEntry = false) {
        out.add(firstEntry ? "" : "  ");
        if (colour) {
            addColours(out, look(kind).colour, -1);
            out.add("█\x1b[0m");
        } else {
            out.add(look(kind).mark);
        }
        out.add(' ').add(text(look(kind).name, language)).add(": ").number(count);
    }
    out.add('\n');
    return out.finish();
}

bool drawCellMapSvg(const CellMap& map, Language language, TextSink& sink) {
    Pieces out(sink);
    const std::uint32_t rows = rowsOf(map);
    const std::uint32_t width = SvgLeft + MapColumns * CellStep + CellStep;
    const std::uint32_t legendTop = SvgTop + rows * CellStep + CellStep;
    const std::uint32_t height = legendTop + CellKinds * LegendStep;
    out.add(
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<svg xmlns=\"http://www.w3.org/2000/svg\"");
    attribute(out, "width", width);
    attribute(out, "height", height);
    out.add(" font-family=\"monospace\" font-size=\"10\">\n<style>");
    for (std::size_t kind = 0; kind < CellKinds; ++kind) {
        out.add(".c")
            .number(static_cast<std::uint32_t>(kind))
            .add("{fill:")
            .add(Looks[kind].fill)
            .add('}');
    }
    out.add("</style>\n<rect width=\"100%\" height=\"100%\" fill=\"#ffffff\"/>\n");
    for (std::uint32_t column = 0; column < MapColumns; column += 8) {
        addSvgText(out, SvgLeft + column * CellStep, SvgTop - 6,
                   Number::byte(static_cast<std::uint8_t>(column)).view());
    }
    addSvgText(out, SvgLeft + (MapColumns - 1) * CellStep, SvgTop - 6,
               Number::byte(MapColumns - 1).view());
    const std::uint32_t first = firstRow(map);
    out.add("<g id=\"cells\">\n");
    for (std::uint32_t row = 0; row < rows; ++row) {
        const std::uint32_t y = SvgTop + row * CellStep;
        addSvgText(out, 4, y + 8, Number::hex((first + row) * MapColumns, 3).view());
        for (std::uint32_t column = 0; column < MapColumns; ++column) {
            const std::uint32_t address = (first + row) * MapColumns + column;
            if (inBlock(map, address)) {
                addSvgCell(out, SvgLeft + column * CellStep, y, cellAt(map, address));
            }
        }
    }
    out.add("</g>\n<g id=\"legend\">\n");
    LegendEntries legend(map);
    Cell kind = Cell::Equal;
    std::uint32_t count = 0;
    for (std::uint32_t y = legendTop; legend.next(kind, count); y += LegendStep) {
        addSvgCell(out, SvgLeft, y, kind);
        Line name;
        name.add(text(look(kind).name, language)).add(": ").add(Number::decimal(count).view());
        addSvgText(out, SvgLeft + 2 * CellStep, y + 8, name.view());
    }
    out.add("</g>\n</svg>\n");
    return out.finish();
}

} // namespace rfprog::cli
