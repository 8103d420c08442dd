#include "cli/record_io.h"

#include "cli/platform.h"
#include "image/block_rules.h"
#include "image/record_file.h"

#include <algorithm>
#include <array>
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

// The temporary file a rewritten record file is written to, beside it.
constexpr std::string_view TemporarySuffix = ".rfprog-new";

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

ExitStatus loadRawBlock(const Options& options, const FileNameChar* name,
                        std::span<std::uint8_t> block, const Console& console) {
    switch (loadFileBlock(name, options.block, block)) {
    case FileBlockLoad::Loaded:
        return ExitStatus::Success;
    case FileBlockLoad::CannotOpen:
        console.error(Text::FileCannotOpen, {options.file});
        return ExitStatus::File;
    case FileBlockLoad::TooShort:
        break;
    }
    console.error(Text::FileTooShort, {options.file, Number::decimal(options.block.length).view(),
                                       Number::hex(options.block.fileOffset, 1).view()});
    return ExitStatus::File;
}

// The text into a temporary file beside FILE, then in FILE's place.
bool replaceWithText(const Options& options, const FileNameChar* name,
                     std::span<const std::uint8_t> text) {
    std::array<char, std::tuple_size_v<FileName> + TemporarySuffix.size()> buffer{};
    if (options.file.size() + TemporarySuffix.size() > buffer.size()) {
        return false;
    }
    const auto end = std::copy(options.file.begin(), options.file.end(), buffer.begin());
    std::copy(TemporarySuffix.begin(), TemporarySuffix.end(), end);
    const std::string_view temporary(buffer.data(), options.file.size() + TemporarySuffix.size());

    OutputFile file;
    bool written = file.create(temporary) &&
                   file.write({reinterpret_cast<const char*>(text.data()), text.size()});
    written = file.close() && written;
    FileName temporaryName{};
    if (written && toFileName(temporary, temporaryName) &&
        replaceImageFile(temporaryName.data(), name)) {
        return true;
    }
    removeFile(temporary);
    return false;
}

} // namespace

ExitStatus loadBlockFromFile(const Options& options, const FileNameChar* name,
                             std::span<std::uint8_t> block, std::span<bool> defined,
                             const Console& console, FilePlace& place) {
    place = {};
    if (options.format == RecordFormat::Raw) {
        place.address = options.block.fileOffset;
        return loadRawBlock(options, name, block, console);
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
    return ExitStatus::Success;
}

ExitStatus prepareReadIntoFile(const Options& options, const Console& console, FilePlace& place) {
    place = {};
    if (options.format == RecordFormat::Raw) {
        place.address = options.block.fileOffset;
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
        stored = writeImageBlock(name, block, place.address) == ImageTransferred;
    } else {
        const auto size =
            place.existingSize == 0
                ? writeRecordFile(options.format, place.address, block, rewrittenText)
                : rewriteRecordFile(
                      options.format,
                      std::span<const std::uint8_t>(recordText).first(place.existingSize),
                      place.address, block, rewrittenText);
        stored = size && replaceWithText(options, name, std::span(rewrittenText).first(*size));
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
