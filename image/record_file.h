// Record files: Intel HEX and Motorola S-records as sparse images in a 32-bit
// address space. The caller reads and writes the file; this module works on its
// text in memory, with caller-supplied buffers and fixed limits.
//
// What the parser accepts, beyond the formats' own rules:
// - LF or CRLF line ends; blank lines anywhere; spaces, tabs and CP/M end-of-file
//   marks (1Ah) before and after a record; lower-case hexadecimal digits.
// - Intel HEX: records 00, 01, 02, 04; 03 and 05 are read past (and kept when a
//   file is rewritten). Addresses run on linearly past the end of a 64 KB segment.
// - S-records: S0 (read past), S1/S2/S3 data, S5/S6 counts, S7/S8/S9 ends.
// - Only blank lines may follow the end record.
// A missing end record, and an S5/S6 count that disagrees with the data records
// before it, are warnings; everything else that is wrong is a refusal.
#pragma once

#include "core/rom_basics.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace rfprog {

enum class RecordFormat { Raw, IntelHex, SRecord };

// By the name's extension, in any case: .hex .ihx .ihex are Intel HEX; .s19 .s28
// .s37 .srec .mot are S-records; anything else (or no extension) is raw.
RecordFormat formatForFileName(std::string_view name);
// The formats' names, as the format option takes them and results name them, in the
// order of RecordFormat.
inline constexpr std::string_view RecordFormatNames[] = {"raw", "ihex", "srec"};
constexpr std::string_view formatName(RecordFormat format) {
    return RecordFormatNames[static_cast<std::size_t>(format)];
}
std::optional<RecordFormat> parseFormatName(std::string_view text);

inline constexpr std::size_t MaxRecordFileSize = std::size_t{1} << 20;
inline constexpr std::size_t MaxDataRecords = std::size_t{1} << 16;

// Where a record file's block starts when the user names no file offset: the
// file's lowest address, rounded down to a whole ROM.
constexpr std::uint32_t recordFileBase(std::uint32_t lowestAddress) {
    return lowestAddress & ~(RomSize - 1);
}

enum class RecordFault {
    None,
    FileTooLarge,      // more than MaxRecordFileSize bytes (line 0)
    TooManyRecords,    // more than MaxDataRecords data records
    Malformed,         // no record mark, an odd number of digits, too short a record
    NotHexadecimal,    // a character that is not a hexadecimal digit
    LengthMismatch,    // the record's length field disagrees with the line
    Checksum,          // the record's checksum does not match
    UnknownType,       // a record type the format does not have
    AfterEnd,          // a record after the end record
    AddressPast32Bits, // a byte past FFFFFFFFh, or a record that would wrap around
    Conflict,          // different bytes for one address; the later line is named
};

// One data record, located in the text (its data digits start at dataOffset).
struct DataRecord {
    std::uint32_t address = 0;
    std::uint32_t line = 0;
    std::uint32_t dataOffset = 0;
    std::uint16_t length = 0;
};

// The data records of a parsed file; large, so the caller keeps it static.
struct RecordTable {
    std::array<DataRecord, MaxDataRecords> records;
    std::size_t count = 0;
};

struct RecordFileSummary {
    RecordFault fault = RecordFault::None;
    std::uint32_t line = 0; // 1-based line of the fault
    bool hasData = false;   // at least one byte defined
    std::uint32_t lowestAddress = 0;
    bool endRecordMissing = false;
    bool countMismatch = false;
};

// Checks the whole file (format IntelHex or SRecord) and fills the table. Of
// several faults the one on the earliest line is given.
RecordFileSummary parseRecordFile(RecordFormat format, std::span<const std::uint8_t> text,
                                  RecordTable& table);

// The bytes the parsed file defines at windowStart + i, i < bytes.size(): defined[i]
// tells which; bytes the file does not define are set to FFh. Returns how many
// bytes are defined (0: the file has no data in the window). text is the text the
// table was parsed from; bytes and defined have the same size.
std::uint32_t fillRecordWindow(const RecordTable& table, std::span<const std::uint8_t> text,
                               std::uint32_t windowStart, std::span<std::uint8_t> bytes,
                               std::span<bool> defined);

// A stretch of addresses, both ends included.
struct AddressRange {
    std::uint32_t first = 0;
    std::uint32_t last = 0;
};

struct DefinedRanges {
    std::size_t count = 0;     // ranges in all, however many were stored
    std::uint64_t outside = 0; // bytes defined outside the window
};

// The addresses a parsed file defines as ranges, lowest first, records that overlap or
// touch merged into one: the first ranges.size() of them into ranges, and how many bytes
// lie outside window.
DefinedRanges definedRanges(const RecordTable& table, AddressRange window,
                            std::span<AddressRange> ranges);

// A new record file with the block at address: 16-byte data records, LF line ends.
// Intel HEX gets 04 records where addresses exceed FFFFh; S-records get an S0
// header, S1/S2/S3 by the highest address, an S5/S6 count and the matching end.
// Returns the text's length, or nothing when it does not fit into out or the block
// runs past 32 bits.
std::optional<std::size_t> writeRecordFile(RecordFormat format, std::uint32_t address,
                                           std::span<const std::uint8_t> block,
                                           std::span<std::uint8_t> out);

// The existing file (which parses without a fault) with the block in place of its
// address range. Records outside the range keep their text; records that overlap
// it are cut down to what lies outside; the block's records go before the end
// record (which is added when missing), with the Intel HEX 02/04 context restored
// for the records that follow, and an S5/S6 count recomputed. New lines take the
// file's own line end. Returns the length, or nothing as for writeRecordFile.
std::optional<std::size_t> rewriteRecordFile(RecordFormat format,
                                             std::span<const std::uint8_t> existing,
                                             std::uint32_t address,
                                             std::span<const std::uint8_t> block,
                                             std::span<std::uint8_t> out);

} // namespace rfprog
