#include "cli/record_io.h"

#include "cli/platform.h"
#include "image/block_rules.h"
#include "image/record_file.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cstdint>
#include <optional>
#include <string_view>

namespace rfprog::cli {

namespace {

// A record file's text and its data records, from the check before the port is opened
// to the rewrite after the read; a rewritten text, with room for the block's own
// records beside the kept ones. Large, so static.
std::array<std::uint8_t, MaxRecordFileSize> recordText;
RecordTable recordTable;
constexpr std::size_t RewriteRoom = std::size_t{64} * 1024;
std::array<std::uint8_t, MaxRecordFileSize + RewriteRoom> rewrittenText;

// The ranges a refusal names; the rest are counted.
constexpr std::size_t ShownRanges = 8;

Text faultText(RecordFault fault) {
    switch (fault) {
    case RecordFault::None:
    case RecordFault::FileTooLarge:
        break;
    case RecordFault::TooManyRecords:
        return Text::RecordTooMany;
    case RecordFault::Malformed:
        return Text::RecordMalformed;
    case RecordFault::NotHexadecimal:
        return Text::RecordNotHexadecimal;
    case RecordFault::LengthMismatch:
        return Text::RecordLengthMismatch;
    case RecordFault::Checksum:
        return Text::RecordChecksum;
    case RecordFault::UnknownType:
        return Text::RecordUnknownType;
    case RecordFault::AfterEnd:
        return Text::RecordAfterEnd;
    case RecordFault::AddressPast32Bits:
        return Text::RecordPast32Bits;
    case RecordFault::Conflict:
        return Text::RecordConflict;
    }
    return Text::RecordFileTooLarge;
}

// The number of the text's last line.
std::uint32_t lastLineNumber(std::span<const std::uint8_t> text) {
    std::uint32_t lines = 0;
    for (const std::uint8_t c : text) {
        lines += c == '\n' ? 1 : 0;
    }
    return text.empty() || text.back() == '\n' ? lines : lines + 1;
}

// FILE's text into recordText, parsed into recordTable; a fault is refused, the
// warnings are given. A missing file is refused unless it may be new (size 0 then).
ExitStatus readRecordFile(const Options& options, const Console& console, bool mayBeNew,
                          std::size_t& size, RecordFileSummary& summary) {
    summary = {};
    switch (readWholeFile(options.file, recordText, size)) {
    case WholeFileRead::Read:
        break;
    case WholeFileRead::Interrupted:
        return ExitStatus::Interrupted;
    case WholeFileRead::Missing:
        if (mayBeNew) {
            return ExitStatus::Success;
        }
        console.error(Text::FileCannotOpen, {options.file});
        return ExitStatus::File;
    case WholeFileRead::CannotRead:
        console.error(Text::FileCannotOpen, {options.file});
        return ExitStatus::File;
    case WholeFileRead::TooLarge:
        console.error(Text::RecordFileTooLarge, {options.file});
        return ExitStatus::File;
    }
    const auto text = std::span<const std::uint8_t>(recordText).first(size);
    summary = parseRecordFile(options.format, text, recordTable);
    if (summary.fault != RecordFault::None) {
        console.error(faultText(summary.fault),
                      {options.file, Number::decimal(summary.line).view()});
        return ExitStatus::File;
    }
    // An empty file is a new one, not one cut short.
    if (summary.endRecordMissing && size > 0) {
        console.error(Text::RecordEndMissing,
                      {options.file, Number::decimal(lastLineNumber(text)).view()});
    }
    if (summary.countMismatch) {
        console.error(Text::RecordCountMismatch, {options.file});
    }
    return ExitStatus::Success;
}

// The file address of the block: as given, or the file's base + the ROM offset.
std::uint32_t blockAddress(const Options& options, const RecordFileSummary& summary) {
    if (options.fileOffsetGiven) {
        return options.block.fileOffset;
    }
    const std::uint32_t base = summary.hasData ? recordFileBase(summary.lowestAddress) : 0;
    return base + options.block.romOffset;
}

ExitStatus loadRawBlock(const Options& options, std::span<std::uint8_t> block,
                        const Console& console) {
    const BlockParameters& parameters = options.block;
    std::uint64_t fileSize = 0;
    switch (readFileStretch(options.file, parameters.fileOffset, block, fileSize)) {
    case StretchRead::Read:
        break;
    case StretchRead::Interrupted:
        return ExitStatus::Interrupted;
    case StretchRead::CannotOpen:
        console.error(Text::FileCannotOpen, {options.file});
        return ExitStatus::File;
    case StretchRead::TooShort:
        console.error(Text::FileTooShort, {options.file, Number::decimal(parameters.length).view(),
                                           Number::hex(parameters.fileOffset, 1).view()});
        return ExitStatus::File;
    }
    // A file longer than the block is used as the dialog uses it; the rest is named, so
    // that nothing is left out unsaid.
    const std::uint32_t end = parameters.fileOffset + parameters.length;
    if (fileSize > end) {
        const bool large = fileSize > UINT32_MAX;
        console.error(Text::RawStretchUsed,
                      {options.file,
                       large ? std::string_view(">4294967295")
                             : Number::decimal(static_cast<std::uint32_t>(fileSize)).view(),
                       Number::hex(parameters.fileOffset, 1).view(),
                       Number::hex(end - 1, 1).view()});
    }
    return ExitStatus::Success;
}

// The ranges a record file defines, as "0x0000-0x0002, 0xF800-0xFFFF and 3 more ranges".
void appendRanges(const DefinedRanges& found, std::span<const AddressRange> ranges,
                  const Console& console, Line& line) {
    for (std::size_t i = 0; i < std::min(found.count, ranges.size()); ++i) {
        line.add(i == 0 ? "" : ", ")
            .add(Number::hex(ranges[i].first, 4).view())
            .add('-')
            .add(Number::hex(ranges[i].last, 4).view());
    }
    if (found.count > ranges.size()) {
        line.format(
            console.text(Text::RecordMoreRanges),
            {Number::decimal(static_cast<std::uint32_t>(found.count - ranges.size())).view()});
    }
}

// Data the block leaves out: refused when the user has not placed the block and the data
// lie beyond the ROM's stretch from the file's base (they cannot be what this ROM takes),
// noted otherwise.
ExitStatus checkDataOutside(const Options& options, const RecordFileSummary& summary,
                            std::uint32_t address, std::uint32_t length, const Console& console) {
    std::array<AddressRange, ShownRanges> ranges{};
    const std::uint32_t base = summary.hasData ? recordFileBase(summary.lowestAddress) : 0;
    const DefinedRanges beyondRom =
        definedRanges(recordTable, {base, base + (RomSize - 1)}, ranges);
    if (!options.fileOffsetGiven && beyondRom.outside > 0) {
        Line defined;
        appendRanges(beyondRom, ranges, console, defined);
        console.error(Text::RecordOutsideRom,
                      {options.file, Number::hex(base, 4).view(), defined.view()});
        return ExitStatus::Usage;
    }
    const DefinedRanges beyondBlock =
        definedRanges(recordTable, {address, address + (length - 1)}, {});
    if (beyondBlock.outside > 0) {
        console.error(
            Text::RecordOutsideBlock,
            {options.file,
             Number::decimal(static_cast<std::uint32_t>(
                                 std::min<std::uint64_t>(beyondBlock.outside, UINT32_MAX)))
                 .view(),
             Number::hex(address, 4).view(), Number::hex(address + (length - 1), 4).view()});
    }
    return ExitStatus::Success;
}

} // namespace

ExitStatus loadBlockFromFile(const Options& options, std::span<std::uint8_t> block,
                             std::span<bool> defined, const Console& console, FilePlace& place) {
    place = {};
    if (options.format == RecordFormat::Raw) {
        place.address = options.block.fileOffset;
        return loadRawBlock(options, block, console);
    }
    std::size_t size = 0;
    RecordFileSummary summary;
    const ExitStatus status = readRecordFile(options, console, false, size, summary);
    if (status != ExitStatus::Success) {
        return status;
    }
    place.address = blockAddress(options, summary);
    const auto length = static_cast<std::uint32_t>(block.size());
    const std::uint32_t count =
        fillRecordWindow(recordTable, std::span<const std::uint8_t>(recordText).first(size),
                         place.address, block, defined.first(block.size()));
    if (count == 0) {
        console.error(Text::RecordNoData, {options.file, Number::hex(place.address, 4).view(),
                                           Number::hex(place.address + (length - 1), 4).view()});
        return ExitStatus::File;
    }
    place.undefined = length - count;
    return checkDataOutside(options, summary, place.address, length, console);
}

ExitStatus prepareReadIntoFile(const Options& options, const Console& console, FilePlace& place) {
    place = {};
    place.stream = fileKind(options.file) == FileKind::Stream;
    if (options.format == RecordFormat::Raw) {
        place.address = options.block.fileOffset;
        if (place.stream && place.address != 0) {
            console.error(Text::StreamWithOffset, {options.file});
            return ExitStatus::Usage;
        }
        return ExitStatus::Success;
    }
    if (place.stream) {
        place.address = blockAddress(options, {});
        return ExitStatus::Success;
    }
    RecordFileSummary summary;
    const ExitStatus status = readRecordFile(options, console, true, place.existingSize, summary);
    place.address = blockAddress(options, summary);
    return status;
}

ExitStatus storeReadBlock(const Options& options, const FileNameChar* name,
                          std::span<const std::uint8_t> block, const FilePlace& place,
                          const Console& console) {
    bool stored = false;
    if (options.format == RecordFormat::Raw) {
        stored = place.stream
                     ? writeToStream(options.file,
                                     {reinterpret_cast<const char*>(block.data()), block.size()})
                     : writeImageBlock(name, block, place.address) == ImageTransferred;
    } else {
        const auto size =
            place.existingSize == 0
                ? writeRecordFile(options.format, place.address, block, rewrittenText)
                : rewriteRecordFile(
                      options.format,
                      std::span<const std::uint8_t>(recordText).first(place.existingSize),
                      place.address, block, rewrittenText);
        const std::string_view text(reinterpret_cast<const char*>(rewrittenText.data()),
                                    size.value_or(0));
        stored = size && (place.stream ? writeToStream(options.file, text)
                                       : replaceFileText(options.file, text));
    }
    if (!stored && interruptRequested()) {
        return ExitStatus::Interrupted;
    }
    if (!stored) {
        console.error(Text::FileCannotWrite, {options.file});
        return ExitStatus::File;
    }
    return ExitStatus::Success;
}

void appendPlace(const Options& options, const FilePlace& place, Text undefinedText,
                 const Console& console, Line& tail) {
    if (options.format == RecordFormat::Raw) {
        return;
    }
    tail.format(console.text(Text::ResultFileAddress), {Number::hex(place.address, 4).view()});
    if (place.undefined > 0) {
        tail.format(console.text(undefinedText), {Number::decimal(place.undefined).view()});
    }
}

} // namespace rfprog::cli
