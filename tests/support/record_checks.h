// What every record-file text and every written or rewritten file must keep, held
// against the parser's own output rather than a second reading of the text: shared by
// the record-file tests and the record-file fuzz target. Each check gives the first
// property that does not hold, as a sentence, or an empty string.
#pragma once

#include "image/record_file.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <span>
#include <string>
#include <utility>
#include <vector>

namespace rfprog::test {

// Upper-case hexadecimal digits, at least digits of them.
inline std::string hexText(std::uint64_t value, int digits = 1) {
    char text[20];
    std::snprintf(text, sizeof text, "%0*llX", digits, static_cast<unsigned long long>(value));
    return text;
}

// The bytes a parsed text gives a window, as the program sees them.
struct RecordWindow {
    std::uint32_t count = 0;
    std::vector<std::uint8_t> bytes;
    std::vector<bool> defined;
};

inline RecordWindow recordWindow(const RecordTable& table, std::span<const std::uint8_t> text,
                                 std::uint32_t start, std::size_t size) {
    RecordWindow window;
    window.bytes.assign(size, 0);
    const std::unique_ptr<bool[]> defined(new bool[size]);
    window.count =
        fillRecordWindow(table, text, start, window.bytes, std::span(defined.get(), size));
    window.defined.assign(defined.get(), defined.get() + size);
    return window;
}

// A window of a cleanly parsed text: FFh wherever the text defines nothing, defined
// exactly where a data record lies, counted right, and each half the same as a window
// of its own.
inline std::string recordWindowFault(const RecordTable& table, std::span<const std::uint8_t> text,
                                     std::uint32_t start, std::size_t size) {
    const RecordWindow window = recordWindow(table, text, start, size);
    std::vector<bool> inRecord(size);
    const std::uint64_t end = std::uint64_t{start} + size;
    for (const DataRecord& record : std::span(table.records).first(table.count)) {
        const std::uint64_t recordEnd = std::uint64_t{record.address} + record.length;
        for (std::uint64_t at = std::max<std::uint64_t>(record.address, start);
             at < std::min(recordEnd, end); ++at) {
            inRecord[at - start] = true;
        }
    }
    std::uint32_t defined = 0;
    for (std::size_t i = 0; i < size; ++i) {
        if (window.defined[i] != inRecord[i]) {
            return "byte " + std::to_string(i) + " of the window is " +
                   (inRecord[i] ? "in a record but not defined" : "defined but in no record");
        }
        if (!window.defined[i] && window.bytes[i] != 0xFF) {
            return "undefined byte " + std::to_string(i) + " of the window is not FFh";
        }
        defined += window.defined[i] ? 1 : 0;
    }
    if (window.count != defined) {
        return "the window's count " + std::to_string(window.count) + " is not its " +
               std::to_string(defined) + " defined bytes";
    }
    const std::size_t half = size / 2;
    const RecordWindow low = recordWindow(table, text, start, half);
    const RecordWindow high =
        recordWindow(table, text, static_cast<std::uint32_t>(start + half), size - half);
    if (!std::equal(low.bytes.begin(), low.bytes.end(), window.bytes.begin()) ||
        !std::equal(high.bytes.begin(), high.bytes.end(), window.bytes.begin() + half) ||
        !std::equal(low.defined.begin(), low.defined.end(), window.defined.begin()) ||
        !std::equal(high.defined.begin(), high.defined.end(), window.defined.begin() + half)) {
        return "the window's halves differ from the window";
    }
    return {};
}

// A text parsed into a table the caller keeps (the tables are large).
struct ParsedRecordText {
    const RecordTable& table;
    std::vector<std::uint8_t> text;
    RecordFileSummary summary;

    ParsedRecordText(RecordFormat format, std::vector<std::uint8_t> bytes, RecordTable& records)
        : table(records), text(std::move(bytes)), summary(parseRecordFile(format, text, records)) {}
    RecordWindow window(std::uint32_t start, std::size_t size) const {
        return recordWindow(table, text, start, size);
    }
};

// Room for the records of a block of this size, 16 bytes to a line.
inline std::size_t recordTextRoom(std::size_t blockSize) {
    return 4 * blockSize + 4096;
}

// A written or rewritten file: no fault, no warning, and the block at its address.
inline std::string blockReadBackFault(const ParsedRecordText& file, std::uint32_t address,
                                      std::span<const std::uint8_t> block) {
    if (file.summary.fault != RecordFault::None) {
        return "the file does not parse: fault " +
               std::to_string(static_cast<int>(file.summary.fault)) + " on line " +
               std::to_string(file.summary.line);
    }
    if (file.summary.endRecordMissing || file.summary.countMismatch) {
        return "the file has no end record or a wrong count";
    }
    const RecordWindow back = file.window(address, block.size());
    if (back.count != block.size() || !std::equal(block.begin(), block.end(), back.bytes.begin())) {
        return "the block does not read back from the file";
    }
    return {};
}

// A new file with the block reads back as the block, and nothing beside it.
inline std::string newRecordFileFault(RecordFormat format, std::uint32_t address,
                                      std::span<const std::uint8_t> block) {
    std::vector<std::uint8_t> out(recordTextRoom(block.size()));
    const auto size = writeRecordFile(format, address, block, out);
    if (!size) {
        return "no new file for the block";
    }
    out.resize(*size);
    static RecordTable table;
    const ParsedRecordText file(format, std::move(out), table);
    if (std::string fault = blockReadBackFault(file, address, block); !fault.empty()) {
        return "new file: " + fault;
    }
    const auto after = static_cast<std::uint32_t>(address + block.size());
    if (file.window(address - 1, 1).count + file.window(after, 1).count != 0) {
        return "new file: bytes beside the block are defined";
    }
    return {};
}

// The existing text, which parses cleanly, rewritten with the block: the block reads back,
// and every address outside it holds what it held, defined or not. Every address the
// two files define lies in a record of one of them, so their records' ranges cover all.
inline std::string rewrittenRecordFileFault(RecordFormat format,
                                            std::span<const std::uint8_t> existing,
                                            std::uint32_t address,
                                            std::span<const std::uint8_t> block) {
    static RecordTable beforeTable;
    static RecordTable afterTable;
    const ParsedRecordText before(format, {existing.begin(), existing.end()}, beforeTable);
    if (before.summary.fault != RecordFault::None) {
        return "the existing file does not parse";
    }
    // A kept record may gain a base record before it, a cut one two pieces with one each.
    std::vector<std::uint8_t> out(8 * existing.size() + recordTextRoom(block.size()));
    const auto size = rewriteRecordFile(format, existing, address, block, out);
    if (!size) {
        return "the existing file cannot be rewritten";
    }
    out.resize(*size);
    const ParsedRecordText after(format, std::move(out), afterTable);
    if (std::string fault = blockReadBackFault(after, address, block); !fault.empty()) {
        return "rewritten file: " + fault;
    }
    const std::uint64_t blockEnd = std::uint64_t{address} + block.size();
    for (const ParsedRecordText* file : {&before, &after}) {
        for (const DataRecord& record : std::span(file->table.records).first(file->table.count)) {
            const RecordWindow was = before.window(record.address, record.length);
            const RecordWindow is = after.window(record.address, record.length);
            for (std::size_t i = 0; i < record.length; ++i) {
                const std::uint64_t at = std::uint64_t{record.address} + i;
                if ((at < address || at >= blockEnd) &&
                    (was.defined[i] != is.defined[i] || was.bytes[i] != is.bytes[i])) {
                    return "rewritten file: address " + hexText(at) + "h outside the block changed";
                }
            }
        }
    }
    return {};
}

} // namespace rfprog::test
