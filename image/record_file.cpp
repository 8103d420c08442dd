#include "image/record_file.h"

#include "core/rom_basics.h"

#include <algorithm>

namespace rfprog {

namespace {

constexpr std::uint64_t AddressSpaceEnd = std::uint64_t{1} << 32;
constexpr std::size_t BytesPerNewRecord = 16;

char lowerAscii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return lowerAscii(x) == lowerAscii(y);
           });
}

int hexDigit(std::uint8_t c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    return -1;
}

// A pair of digits already checked to be hexadecimal.
std::uint8_t hexByte(std::span<const std::uint8_t> text, std::size_t at) {
    return static_cast<std::uint8_t>(hexDigit(text[at]) * 16 + hexDigit(text[at + 1]));
}

bool isPadding(std::uint8_t c) {
    return c == ' ' || c == '\t' || c == '\r' || c == 0x1A;
}

// One line of the text: [begin, end) without padding; next is where the following
// line starts (after the LF, or the end of the text).
struct Line {
    std::size_t begin = 0;
    std::size_t end = 0;
    std::size_t start = 0;
    std::size_t next = 0;
    bool blank() const { return begin == end; }
};

Line lineAt(std::span<const std::uint8_t> text, std::size_t start) {
    Line line;
    line.start = start;
    std::size_t stop = start;
    while (stop < text.size() && text[stop] != '\n') {
        ++stop;
    }
    line.next = stop < text.size() ? stop + 1 : stop;
    line.begin = start;
    line.end = stop;
    while (line.begin < line.end && isPadding(text[line.begin])) {
        ++line.begin;
    }
    while (line.end > line.begin && isPadding(text[line.end - 1])) {
        --line.end;
    }
    return line;
}

// A record as it stands on its line, before its place in the file is known.
struct Record {
    RecordFault fault = RecordFault::None;
    int type = 0;              // Intel HEX 0-5; S-records 0-9
    std::uint32_t address = 0; // Intel HEX: the 16-bit offset
    std::size_t dataOffset = 0;
    std::size_t length = 0;
};

// The digits after the record mark: all hexadecimal, an even number of them, at
// least minimum bytes. Gives the number of bytes, or a fault in record.fault.
std::size_t checkDigits(std::span<const std::uint8_t> text, const Line& line, std::size_t minimum,
                        Record& record) {
    for (std::size_t i = line.begin + 1; i < line.end; ++i) {
        if (hexDigit(text[i]) < 0) {
            record.fault = RecordFault::NotHexadecimal;
            return 0;
        }
    }
    const std::size_t digits = line.end - line.begin - 1;
    if (digits % 2 != 0 || digits / 2 < minimum) {
        record.fault = RecordFault::Malformed;
        return 0;
    }
    return digits / 2;
}

Record decodeIntelHex(std::span<const std::uint8_t> text, const Line& line) {
    Record record;
    if (text[line.begin] != ':') {
        record.fault = RecordFault::Malformed;
        return record;
    }
    const std::size_t bytes = checkDigits(text, line, 5, record);
    if (record.fault != RecordFault::None) {
        return record;
    }
    const std::size_t first = line.begin + 1;
    record.length = hexByte(text, first);
    if (record.length + 5 != bytes) {
        record.fault = RecordFault::LengthMismatch;
        return record;
    }
    unsigned sum = 0;
    for (std::size_t i = 0; i < bytes; ++i) {
        sum += hexByte(text, first + 2 * i);
    }
    if (sum % 256 != 0) {
        record.fault = RecordFault::Checksum;
        return record;
    }
    record.address = hexByte(text, first + 2) * 256u + hexByte(text, first + 4);
    record.type = hexByte(text, first + 6);
    record.dataOffset = first + 8;
    // The data length each record type must have (-1: any).
    constexpr int LengthOfType[] = {-1, 0, 2, 4, 2, 4};
    if (record.type > 5) {
        record.fault = RecordFault::UnknownType;
    } else if (LengthOfType[record.type] >= 0 &&
               record.length != static_cast<std::size_t>(LengthOfType[record.type])) {
        record.fault = RecordFault::Malformed;
    }
    return record;
}

// The bytes of address in each S-record type; 0 for the reserved S4.
constexpr std::size_t SAddressBytes[] = {2, 2, 3, 4, 0, 2, 3, 4, 3, 2};

Record decodeSRecord(std::span<const std::uint8_t> text, const Line& line) {
    Record record;
    if (line.end - line.begin < 2 || text[line.begin] != 'S' || text[line.begin + 1] < '0' ||
        text[line.begin + 1] > '9') {
        record.fault = RecordFault::Malformed;
        return record;
    }
    record.type = text[line.begin + 1] - '0';
    // The digits start after the type: at least a count and a checksum.
    Line digits = line;
    ++digits.begin;
    const std::size_t bytes = checkDigits(text, digits, 2, record);
    if (record.fault != RecordFault::None) {
        return record;
    }
    const std::size_t first = line.begin + 2;
    const std::size_t count = hexByte(text, first);
    if (count + 1 != bytes) {
        record.fault = RecordFault::LengthMismatch;
        return record;
    }
    unsigned sum = 0;
    for (std::size_t i = 0; i < count; ++i) {
        sum += hexByte(text, first + 2 * i);
    }
    if ((~sum & 0xFF) != hexByte(text, first + 2 * count)) {
        record.fault = RecordFault::Checksum;
        return record;
    }
    const std::size_t addressBytes = SAddressBytes[record.type];
    if (addressBytes == 0) {
        record.fault = RecordFault::UnknownType;
        return record;
    }
    if (count < addressBytes + 1) {
        record.fault = RecordFault::Malformed;
        return record;
    }
    for (std::size_t i = 0; i < addressBytes; ++i) {
        record.address = record.address * 256 + hexByte(text, first + 2 + 2 * i);
    }
    record.dataOffset = first + 2 + 2 * addressBytes;
    record.length = count - addressBytes - 1;
    // Counts and ends carry no data.
    if (record.type >= 5 && record.length != 0) {
        record.fault = RecordFault::Malformed;
    }
    return record;
}

Record decodeRecord(RecordFormat format, std::span<const std::uint8_t> text, const Line& line) {
    return format == RecordFormat::IntelHex ? decodeIntelHex(text, line)
                                            : decodeSRecord(text, line);
}

bool isSData(int type) {
    return type >= 1 && type <= 3;
}
bool isData(RecordFormat format, int type) {
    return format == RecordFormat::IntelHex ? type == 0 : isSData(type);
}
bool isEnd(RecordFormat format, int type) {
    return format == RecordFormat::IntelHex ? type == 1 : type >= 7;
}

// Intel HEX 02 and 04 records set the base that later data offsets are added to. Their
// two data bytes are read only once the type is known: decoding has checked that these
// types carry exactly two.
std::optional<std::uint32_t> intelBase(std::span<const std::uint8_t> text, const Record& record) {
    if (record.type != 2 && record.type != 4) {
        return std::nullopt;
    }
    const std::uint32_t value =
        hexByte(text, record.dataOffset) * 256u + hexByte(text, record.dataOffset + 2);
    return record.type == 2 ? value << 4 : value << 16;
}

// A line of a record file as the walker hands it on.
struct RecordLine {
    Line line;
    std::uint32_t number = 0; // from 1
    Record record;            // unless the line is blank: its record, decoded without a fault
    std::uint32_t base = 0;   // Intel HEX: the base the 02 and 04 records so far have set
    bool setsBase = false;    // the record is one of those

    // Where a data record's bytes start.
    std::uint64_t start() const { return std::uint64_t{base} + record.address; }
};

struct WalkEnd {
    RecordFault fault = RecordFault::None;
    std::uint32_t line = 0; // of the fault
    bool ended = false;     // an end record was read
};

// Hands each line of the text to visit, in order, until a record does not decode, a
// record follows the end record, or visit returns a fault of its own.
template <typename Visit>
WalkEnd walkRecords(RecordFormat format, std::span<const std::uint8_t> text, Visit visit) {
    bool ended = false;
    RecordLine current;
    for (std::size_t at = 0; at < text.size();) {
        current.line = lineAt(text, at);
        at = current.line.next;
        ++current.number;
        current.record = {};
        current.setsBase = false;
        if (!current.line.blank()) {
            if (ended) {
                return {RecordFault::AfterEnd, current.number};
            }
            current.record = decodeRecord(format, text, current.line);
            if (current.record.fault != RecordFault::None) {
                return {current.record.fault, current.number};
            }
            ended = isEnd(format, current.record.type);
            const auto base =
                format == RecordFormat::IntelHex ? intelBase(text, current.record) : std::nullopt;
            current.setsBase = base.has_value();
            current.base = base.value_or(current.base);
        }
        if (const RecordFault fault = visit(current); fault != RecordFault::None) {
            return {fault, current.number};
        }
    }
    return {RecordFault::None, 0, ended};
}

// The earliest line that gives an address a byte different from the one its
// earliest record gave; 0 when there is none. Sorts the table by address. Records
// are at most 255 bytes long, so the addresses still open at any record fit in a
// ring of 256 slots, each holding the byte of the earliest line seen so far.
std::uint32_t firstConflictLine(RecordTable& table, std::span<const std::uint8_t> text) {
    const auto records = std::span(table.records).first(table.count);
    std::sort(records.begin(), records.end(), [](const DataRecord& a, const DataRecord& b) {
        return a.address != b.address ? a.address < b.address : a.line < b.line;
    });
    struct Slot {
        std::uint32_t address = 0;
        std::uint32_t line = 0;
        std::uint8_t value = 0;
        bool used = false;
    };
    std::array<Slot, 256> open{};
    std::uint32_t conflict = 0;
    for (const DataRecord& record : records) {
        for (std::uint32_t i = 0; i < record.length; ++i) {
            const std::uint32_t address = record.address + i;
            const std::uint8_t value = hexByte(text, record.dataOffset + 2 * i);
            Slot& slot = open[address & 0xFF];
            if (!slot.used || slot.address != address) {
                slot = Slot{address, record.line, value, true};
                continue;
            }
            if (slot.value != value) {
                const std::uint32_t later = std::max(slot.line, record.line);
                conflict = conflict == 0 ? later : std::min(conflict, later);
            }
            if (record.line < slot.line) {
                slot.line = record.line;
                slot.value = value;
            }
        }
    }
    return conflict;
}

// The output text: bounded by its buffer, with the line end the file uses.
class TextOut {
  public:
    TextOut(std::span<std::uint8_t> out, std::string_view newline) : out_(out), newline_(newline) {}

    // A line of the original text, with its own line end.
    void copyLine(std::span<const std::uint8_t> text, const Line& line) {
        for (std::size_t i = line.start; i < line.next; ++i) {
            put(text[i]);
        }
        openLine_ = line.next == line.start || text[line.next - 1] != '\n';
    }
    void beginRecord(char mark) {
        if (openLine_) {
            putNewline();
        }
        put(static_cast<std::uint8_t>(mark));
    }
    void digit(unsigned value) { put(static_cast<std::uint8_t>(HexDigits[value & 0xF])); }
    void byte(std::uint8_t value) {
        digit(value >> 4);
        digit(value);
    }
    void endRecord() { putNewline(); }
    std::optional<std::size_t> result() const {
        return overflow_ ? std::nullopt : std::optional<std::size_t>(size_);
    }

  private:
    void put(std::uint8_t c) {
        if (size_ < out_.size()) {
            out_[size_++] = c;
        } else {
            overflow_ = true;
        }
    }
    void putNewline() {
        for (char c : newline_) {
            put(static_cast<std::uint8_t>(c));
        }
        openLine_ = false;
    }

    std::span<std::uint8_t> out_;
    std::string_view newline_;
    std::size_t size_ = 0;
    bool overflow_ = false;
    bool openLine_ = false;
};

// Intel HEX records: the running base of the output, so that a new data record
// gets an 04 record only when its upper address differs.
struct IntelWriter {
    TextOut& out;
    std::uint32_t base = 0;

    void record(std::uint8_t type, std::uint16_t offset, std::span<const std::uint8_t> data) {
        out.beginRecord(':');
        unsigned sum = static_cast<unsigned>(data.size()) + (offset >> 8) + (offset & 0xFF) + type;
        out.byte(static_cast<std::uint8_t>(data.size()));
        out.byte(static_cast<std::uint8_t>(offset >> 8));
        out.byte(static_cast<std::uint8_t>(offset));
        out.byte(type);
        for (std::uint8_t value : data) {
            out.byte(value);
            sum += value;
        }
        out.byte(static_cast<std::uint8_t>(-sum));
        out.endRecord();
    }
    void setBase(std::uint32_t wanted) {
        if (base == wanted) {
            return;
        }
        // A base from an 02 record need not be a multiple of 64 KB.
        const bool linear = (wanted & 0xFFFF) == 0;
        const std::uint16_t value = static_cast<std::uint16_t>(linear ? wanted >> 16 : wanted >> 4);
        const std::uint8_t data[] = {static_cast<std::uint8_t>(value >> 8),
                                     static_cast<std::uint8_t>(value)};
        record(linear ? 4 : 2, 0, data);
        base = wanted;
    }
    // Data records of up to perRecord bytes, none crossing a 64 KB boundary.
    void data(std::uint32_t address, std::span<const std::uint8_t> bytes, std::size_t perRecord) {
        while (!bytes.empty()) {
            const std::size_t toBoundary = 0x10000 - (address & 0xFFFF);
            const std::size_t size = std::min({perRecord, bytes.size(), toBoundary});
            setBase(address & 0xFFFF0000);
            record(0, static_cast<std::uint16_t>(address), bytes.first(size));
            bytes = bytes.subspan(size);
            address += static_cast<std::uint32_t>(size);
        }
    }
    void end() { record(1, 0, {}); }
};

struct SWriter {
    TextOut& out;
    std::size_t dataRecords = 0;

    void record(int type, std::uint32_t address, std::span<const std::uint8_t> data) {
        const std::size_t addressBytes = SAddressBytes[type];
        const std::size_t count = addressBytes + data.size() + 1;
        out.beginRecord('S');
        out.digit(static_cast<unsigned>(type));
        out.byte(static_cast<std::uint8_t>(count));
        unsigned sum = static_cast<unsigned>(count);
        for (std::size_t i = addressBytes; i-- > 0;) {
            const auto value = static_cast<std::uint8_t>(address >> (8 * i));
            out.byte(value);
            sum += value;
        }
        for (std::uint8_t value : data) {
            out.byte(value);
            sum += value;
        }
        out.byte(static_cast<std::uint8_t>(~sum));
        out.endRecord();
        if (isSData(type)) {
            ++dataRecords;
        }
    }
    void data(int type, std::uint32_t address, std::span<const std::uint8_t> bytes,
              std::size_t perRecord) {
        while (!bytes.empty()) {
            const std::size_t size = std::min(perRecord, bytes.size());
            record(type, address, bytes.first(size));
            bytes = bytes.subspan(size);
            address += static_cast<std::uint32_t>(size);
        }
    }
    void count() {
        if (dataRecords <= 0xFFFF) {
            record(5, static_cast<std::uint32_t>(dataRecords), {});
        } else if (dataRecords <= 0xFFFFFF) {
            record(6, static_cast<std::uint32_t>(dataRecords), {});
        }
    }
};

// The S-record data type whose address field holds highest.
int sDataTypeFor(std::uint64_t highest) {
    return highest <= 0xFFFF ? 1 : highest <= 0xFFFFFF ? 2 : 3;
}
int sEndTypeFor(int dataType) {
    return 10 - dataType;
}

std::uint64_t blockHighest(std::uint32_t address, std::span<const std::uint8_t> block) {
    return block.empty() ? address : address + block.size() - 1;
}

bool fitsAddressSpace(std::uint32_t address, std::span<const std::uint8_t> block) {
    return address + std::uint64_t{block.size()} <= AddressSpaceEnd;
}

// The parts of a data record outside [rangeStart, rangeEnd), handed to emit with
// their address and bytes; false when the record lies wholly outside.
template <typename Emit>
bool cutAround(std::span<const std::uint8_t> text, std::uint64_t recordStart, const Record& record,
               std::uint64_t rangeStart, std::uint64_t rangeEnd, Emit emit) {
    const std::uint64_t recordEnd = recordStart + record.length;
    if (recordEnd <= rangeStart || recordStart >= rangeEnd || record.length == 0) {
        return false;
    }
    std::array<std::uint8_t, 255> bytes{};
    for (std::size_t i = 0; i < record.length; ++i) {
        bytes[i] = hexByte(text, record.dataOffset + 2 * i);
    }
    const auto all = std::span(bytes).first(record.length);
    if (recordStart < rangeStart) {
        emit(static_cast<std::uint32_t>(recordStart), all.first(rangeStart - recordStart));
    }
    if (recordEnd > rangeEnd) {
        emit(static_cast<std::uint32_t>(rangeEnd), all.subspan(rangeEnd - recordStart));
    }
    return true;
}

std::string_view newlineOf(std::span<const std::uint8_t> text) {
    const auto lf = std::find(text.begin(), text.end(), std::uint8_t{'\n'});
    return lf != text.begin() && lf != text.end() && *(lf - 1) == '\r' ? "\r\n" : "\n";
}

std::optional<std::size_t> rewriteIntelHex(std::span<const std::uint8_t> text,
                                           std::uint32_t address,
                                           std::span<const std::uint8_t> block, TextOut& out) {
    IntelWriter writer{out};
    bool blockWritten = false;
    const std::uint64_t rangeEnd = address + std::uint64_t{block.size()};
    const WalkEnd end = walkRecords(RecordFormat::IntelHex, text, [&](const RecordLine& entry) {
        const Record& record = entry.record;
        if (!entry.line.blank() && record.type == 0) {
            const bool cut = cutAround(text, entry.start(), record, address, rangeEnd,
                                       [&](std::uint32_t pieceAddress, auto piece) {
                                           writer.data(pieceAddress, piece, record.length);
                                       });
            if (!cut) {
                writer.setBase(entry.base);
                out.copyLine(text, entry.line);
            }
            return RecordFault::None;
        }
        if (!entry.line.blank() && record.type == 1 && !blockWritten) {
            writer.data(address, block, BytesPerNewRecord);
            blockWritten = true;
        }
        if (entry.setsBase) {
            writer.base = entry.base;
        }
        out.copyLine(text, entry.line);
        return RecordFault::None;
    });
    if (end.fault != RecordFault::None) {
        return std::nullopt;
    }
    if (!blockWritten) {
        writer.data(address, block, BytesPerNewRecord);
        writer.end();
    }
    return out.result();
}

std::optional<std::size_t> rewriteSRecords(std::span<const std::uint8_t> text,
                                           std::uint32_t address,
                                           std::span<const std::uint8_t> block, TextOut& out) {
    SWriter writer{out};
    bool hadCount = false;
    bool blockWritten = false;
    const std::uint64_t rangeEnd = address + std::uint64_t{block.size()};
    int blockType = sDataTypeFor(blockHighest(address, block));
    int widestInFile = 1;
    auto writeBlock = [&](int endType) {
        // The block's records as wide as the end record implies, at least.
        blockType = std::max(blockType, sEndTypeFor(endType));
        writer.data(blockType, address, block, BytesPerNewRecord);
        if (hadCount) {
            writer.count();
        }
        blockWritten = true;
    };
    const WalkEnd end = walkRecords(RecordFormat::SRecord, text, [&](const RecordLine& entry) {
        const Record& record = entry.record;
        if (entry.line.blank()) {
            out.copyLine(text, entry.line);
        } else if (isSData(record.type)) {
            widestInFile = std::max(widestInFile, record.type);
            const bool cut = cutAround(text, entry.start(), record, address, rangeEnd,
                                       [&](std::uint32_t pieceAddress, auto piece) {
                                           writer.record(record.type, pieceAddress, piece);
                                       });
            if (!cut) {
                out.copyLine(text, entry.line);
                ++writer.dataRecords;
            }
        } else if (record.type == 5 || record.type == 6) {
            hadCount = true; // recomputed before the end record
        } else if (record.type >= 7 && !blockWritten) {
            writeBlock(record.type);
            if (sEndTypeFor(blockType) < record.type) {
                writer.record(sEndTypeFor(blockType), record.address, {});
            } else {
                out.copyLine(text, entry.line);
            }
        } else {
            out.copyLine(text, entry.line);
        }
        return RecordFault::None;
    });
    if (end.fault != RecordFault::None) {
        return std::nullopt;
    }
    if (!blockWritten) {
        writeBlock(sEndTypeFor(widestInFile));
        writer.record(sEndTypeFor(blockType), 0, {});
    }
    return out.result();
}

} // namespace

RecordFormat formatForFileName(std::string_view name) {
    const std::size_t dot = name.find_last_of('.');
    const std::size_t folder = name.find_last_of("/\\");
    if (dot == std::string_view::npos || (folder != std::string_view::npos && folder > dot)) {
        return RecordFormat::Raw;
    }
    std::string_view extension = name;
    extension.remove_prefix(dot + 1); // substr would bring in the exception runtime
    constexpr std::string_view IntelHexExtensions[] = {"hex", "ihx", "ihex"};
    constexpr std::string_view SRecordExtensions[] = {"s19", "s28", "s37", "srec", "mot"};
    for (std::string_view candidate : IntelHexExtensions) {
        if (equalsIgnoringCase(extension, candidate)) {
            return RecordFormat::IntelHex;
        }
    }
    for (std::string_view candidate : SRecordExtensions) {
        if (equalsIgnoringCase(extension, candidate)) {
            return RecordFormat::SRecord;
        }
    }
    return RecordFormat::Raw;
}

std::optional<RecordFormat> parseFormatName(std::string_view text) {
    for (std::size_t i = 0; i < std::size(RecordFormatNames); ++i) {
        if (text == RecordFormatNames[i]) {
            return static_cast<RecordFormat>(i);
        }
    }
    return std::nullopt;
}

RecordFileSummary parseRecordFile(RecordFormat format, std::span<const std::uint8_t> text,
                                  RecordTable& table) {
    RecordFileSummary summary;
    table.count = 0;
    if (text.size() > MaxRecordFileSize) {
        summary.fault = RecordFault::FileTooLarge;
        return summary;
    }
    std::size_t dataRecords = 0;
    const WalkEnd end = walkRecords(format, text, [&](const RecordLine& entry) {
        const Record& record = entry.record;
        if (entry.line.blank()) {
            return RecordFault::None;
        }
        if (format != RecordFormat::IntelHex && (record.type == 5 || record.type == 6)) {
            summary.countMismatch |= record.address != dataRecords;
        }
        if (!isData(format, record.type)) {
            return RecordFault::None;
        }
        ++dataRecords;
        const std::uint64_t start = entry.start();
        if (start + record.length > AddressSpaceEnd) {
            return RecordFault::AddressPast32Bits;
        }
        if (record.length == 0) {
            return RecordFault::None;
        }
        if (table.count == MaxDataRecords) {
            return RecordFault::TooManyRecords;
        }
        const auto address = static_cast<std::uint32_t>(start);
        table.records[table.count++] =
            DataRecord{address, entry.number, static_cast<std::uint32_t>(record.dataOffset),
                       static_cast<std::uint16_t>(record.length)};
        summary.lowestAddress =
            summary.hasData ? std::min(summary.lowestAddress, address) : address;
        summary.hasData = true;
        return RecordFault::None;
    });
    summary.fault = end.fault;
    summary.line = end.line;
    // Every record before a faulty line is in the table, so a conflict found there
    // lies on an earlier line than the fault.
    if (const std::uint32_t conflict = firstConflictLine(table, text); conflict != 0) {
        summary.fault = RecordFault::Conflict;
        summary.line = conflict;
    }
    summary.endRecordMissing = summary.fault == RecordFault::None && !end.ended;
    return summary;
}

std::uint32_t fillRecordWindow(const RecordTable& table, std::span<const std::uint8_t> text,
                               std::uint32_t windowStart, std::span<std::uint8_t> bytes,
                               std::span<bool> defined) {
    const std::size_t size = std::min(bytes.size(), defined.size());
    std::fill(bytes.begin(), bytes.end(), std::uint8_t{0xFF});
    std::fill(defined.begin(), defined.end(), false);
    const std::uint64_t windowEnd = std::uint64_t{windowStart} + size;
    std::uint32_t count = 0;
    for (const DataRecord& record : std::span(table.records).first(table.count)) {
        const std::uint64_t first = std::max<std::uint64_t>(record.address, windowStart);
        const std::uint64_t last =
            std::min<std::uint64_t>(std::uint64_t{record.address} + record.length, windowEnd);
        for (std::uint64_t address = first; address < last; ++address) {
            const std::size_t at = static_cast<std::size_t>(address - windowStart);
            bytes[at] = hexByte(text, record.dataOffset + 2 * (address - record.address));
            if (!defined[at]) {
                defined[at] = true;
                ++count;
            }
        }
    }
    return count;
}

// The parse leaves the table sorted by address (firstConflictLine).
DefinedRanges definedRanges(const RecordTable& table, AddressRange window,
                            std::span<AddressRange> ranges) {
    DefinedRanges found;
    std::uint64_t first = 0;
    std::uint64_t end = 0; // one past the open range; 0 while none is open
    const auto close = [&] {
        if (end == 0) {
            return;
        }
        if (found.count < ranges.size()) {
            ranges[found.count] = {static_cast<std::uint32_t>(first),
                                   static_cast<std::uint32_t>(end - 1)};
        }
        ++found.count;
        const std::uint64_t insideFirst = std::max<std::uint64_t>(first, window.first);
        const std::uint64_t insideEnd =
            std::min<std::uint64_t>(end, std::uint64_t{window.last} + 1);
        found.outside += (end - first) - (insideEnd > insideFirst ? insideEnd - insideFirst : 0);
    };
    for (const DataRecord& record : std::span(table.records).first(table.count)) {
        const std::uint64_t recordEnd = std::uint64_t{record.address} + record.length;
        if (record.length == 0) {
            continue;
        }
        if (end != 0 && record.address <= end) {
            end = std::max(end, recordEnd);
            continue;
        }
        close();
        first = record.address;
        end = recordEnd;
    }
    close();
    return found;
}

std::optional<std::size_t> writeRecordFile(RecordFormat format, std::uint32_t address,
                                           std::span<const std::uint8_t> block,
                                           std::span<std::uint8_t> out) {
    if (!fitsAddressSpace(address, block) || format == RecordFormat::Raw) {
        return std::nullopt;
    }
    TextOut text(out, "\n");
    if (format == RecordFormat::IntelHex) {
        IntelWriter writer{text};
        writer.data(address, block, BytesPerNewRecord);
        writer.end();
        return text.result();
    }
    SWriter writer{text};
    const int type = sDataTypeFor(blockHighest(address, block));
    writer.record(0, 0, {});
    writer.data(type, address, block, BytesPerNewRecord);
    writer.count();
    writer.record(sEndTypeFor(type), 0, {});
    return text.result();
}

std::optional<std::size_t> rewriteRecordFile(RecordFormat format,
                                             std::span<const std::uint8_t> existing,
                                             std::uint32_t address,
                                             std::span<const std::uint8_t> block,
                                             std::span<std::uint8_t> out) {
    if (!fitsAddressSpace(address, block) || format == RecordFormat::Raw) {
        return std::nullopt;
    }
    TextOut text(out, newlineOf(existing));
    return format == RecordFormat::IntelHex ? rewriteIntelHex(existing, address, block, text)
                                            : rewriteSRecords(existing, address, block, text);
}

} // namespace rfprog
