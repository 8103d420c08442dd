// The Intel HEX and S-record parser fed arbitrary text, with the properties the program
// relies on checked through the parser's own output (tests/support/record_checks.h).
//
// Input: byte 0 picks the format (bit 0: S-records) and whether the block's address is
// counted from the file's base (bit 1); bytes 1-4 are the address (little-endian),
// bytes 5-6 the block's length less one (modulo 800h), byte 7 its pattern; the rest is
// the text, the whole of libFuzzer's exactly sized buffer, so that a read past its end
// is a sanitizer report.
#include "image/record_file.h"
#include "tests/fuzz/fuzz_support.h"
#include "tests/support/record_checks.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace {

constexpr std::size_t HeaderSize = 8;

std::uint32_t littleEndian(const std::uint8_t* bytes, std::size_t count) {
    std::uint32_t value = 0;
    for (std::size_t i = count; i-- > 0;) {
        value = value << 8 | bytes[i];
    }
    return value;
}

rfprog::RecordTable table;

// A property that does not hold, named by its check.
void expectHolds(const std::string& fault, int line) {
    if (!fault.empty()) {
        rfprog::fuzz::invariantBroken(fault.c_str(), __FILE__, line);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace rfprog;
    if (size < HeaderSize) {
        return 0;
    }
    const RecordFormat format = (data[0] & 1) != 0 ? RecordFormat::SRecord : RecordFormat::IntelHex;
    const bool fromBase = (data[0] & 2) != 0;
    const std::uint32_t given = littleEndian(data + 1, 4);
    const std::size_t length = 1 + littleEndian(data + 5, 2) % RomSize;
    std::vector<std::uint8_t> block(length);
    for (std::size_t i = 0; i < length; ++i) {
        block[i] = static_cast<std::uint8_t>(data[7] + i * 37);
    }
    const std::span<const std::uint8_t> text(data + HeaderSize, size - HeaderSize);

    const RecordFileSummary summary = parseRecordFile(format, text, table);
    const std::uint32_t address = fromBase && summary.hasData
                                      ? recordFileBase(summary.lowestAddress) + given % RomSize
                                      : given;
    const bool fits = std::uint64_t{address} + length <= std::uint64_t{1} << 32;
    if (summary.fault == RecordFault::None) {
        if (fits) {
            expectHolds(test::recordWindowFault(table, text, address, length), __LINE__);
            expectHolds(test::rewrittenRecordFileFault(format, text, address, block), __LINE__);
        } else {
            std::vector<std::uint8_t> out(text.size() + test::recordTextRoom(length));
            FUZZ_CHECK(!rewriteRecordFile(format, text, address, block, out).has_value());
        }
    } else {
        FUZZ_CHECK(summary.line >= 1 || summary.fault == RecordFault::FileTooLarge);
    }
    if (fits) {
        expectHolds(test::newRecordFileFault(format, address, block), __LINE__);
    }
    return 0;
}
