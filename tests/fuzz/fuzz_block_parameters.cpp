// The block-parameter parser fed arbitrary field texts and check states.
//
// Input, split at line feeds: line 1 holds the check box (its first byte odd: ticked),
// lines 2 to 4 the texts of the file offset, ROM offset and length fields, as the
// window's 8-bit read would hand them over.
#include "tests/fuzz/fuzz_support.h"
#include "tests/native/fake_window.h"
#include "ui/block_parameters.h"
#include "ui/messages.h"
#include "ui/resource_ids.h"

#include <array>
#include <cstdint>
#include <string>

using rfprog::BlockParameters;
using rfprog::Message;
using rfprog::test::FakeWindow;
using rfprog::test::shows;

namespace {

constexpr std::array<int, 3> FieldIds = {IDC_FILE_OFFSET, IDC_ROM_OFFSET, IDC_LENGTH};

void checkOneField(const std::string& text) {
    FakeWindow window;
    window.fields8[IDC_LENGTH] = text;
    const auto value = rfprog::parseHexField(window, IDC_LENGTH);
    const auto expected = rfprog::fuzz::referenceHexField(text);
    FUZZ_CHECK(value == expected);
    FUZZ_CHECK(window.fieldReads[IDC_LENGTH] == 1);
    if (value) {
        FUZZ_CHECK(*value <= 0xFFFFFF);
        FUZZ_CHECK(window.messages.empty());
    } else {
        FUZZ_CHECK(window.messages.size() == 1 &&
                   shows(window.messages[0], Message::InvalidParameters));
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto lines = rfprog::fuzz::splitLines(data, size);
    const bool extra = !lines[0].empty() && (static_cast<unsigned char>(lines[0][0]) & 1) != 0;
    std::array<std::string, 3> texts;
    for (std::size_t i = 0; i < texts.size() && i + 1 < lines.size(); ++i) {
        texts[i] = std::string(lines[i + 1]);
    }

    FakeWindow window;
    if (extra) {
        window.checked.insert(IDC_EXTRA);
    }
    for (std::size_t i = 0; i < texts.size(); ++i) {
        window.fields8[FieldIds[i]] = texts[i];
    }
    const auto block = rfprog::parseBlockParameters(window);
    const auto expected = rfprog::fuzz::referenceBlock(extra, texts[0], texts[1], texts[2]);
    FUZZ_CHECK(block == expected);

    if (block) {
        FUZZ_CHECK(window.messages.empty());
        FUZZ_CHECK(block->length >= 1 && block->romOffset + block->length <= rfprog::RomSize);
        FUZZ_CHECK(block->fileOffset <= 0xFFFFFF);
    } else {
        // Exactly one message, the parameter one, whichever field failed first.
        FUZZ_CHECK(window.messages.size() == 1 &&
                   shows(window.messages[0], Message::InvalidParameters));
    }
    // Unticked: no field is looked at. Ticked: in order, each once, none after a bad one.
    bool stopped = false;
    for (std::size_t i = 0; i < FieldIds.size(); ++i) {
        const int reads = window.fieldReads[FieldIds[i]];
        if (!extra || stopped) {
            FUZZ_CHECK(reads == 0);
        } else {
            FUZZ_CHECK(reads == 1);
            stopped = !rfprog::fuzz::referenceHexField(texts[i]);
        }
    }
    FUZZ_CHECK(window.fieldReads[IDC_FILENAME] == 0);

    for (const std::string& text : texts) {
        checkOneField(text);
    }
    return 0;
}
