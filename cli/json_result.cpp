#include "cli/json_result.h"

#include "cli/platform.h"
#include "cli/record_io.h"

#include <algorithm>
#include <charconv>

namespace rfprog::cli {

namespace {

// The object as it is written: its strings (a file name, a port, a message) are bounded by
// the names and the lines the program takes, each byte six characters at most escaped.
std::array<char, 64 * 1024> objectBuffer;

constexpr std::string_view HexDigits = "0123456789abcdef";

// The length of the valid UTF-8 sequence at the start of text, or 0: no overlong forms,
// no surrogates, nothing above U+10FFFF.
std::size_t utf8Sequence(std::string_view text) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(0);
    std::size_t length = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        low = lead == 0xE0 ? 0xA0 : 0x80;
        high = lead == 0xED ? 0x9F : 0xBF;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF;
    } else {
        return 0;
    }
    if (text.size() < length || byte(1) < low || byte(1) > high) {
        return 0;
    }
    for (std::size_t i = 2; i < length; ++i) {
        if (byte(i) < 0x80 || byte(i) > 0xBF) {
            return 0;
        }
    }
    return length;
}

std::string_view exitName(ExitStatus status) {
    switch (status) {
    case ExitStatus::Success:
        return "success";
    case ExitStatus::Negative:
        return "negative";
    case ExitStatus::Usage:
        return "usage";
    case ExitStatus::Port:
        return "port";
    case ExitStatus::File:
        return "file";
    case ExitStatus::Interrupted:
        break;
    }
    return "interrupted";
}

bool takesFile(Operation operation) {
    return std::any_of(std::begin(OperationNames), std::end(OperationNames),
                       [&](const OperationName& entry) {
                           return entry.operation == operation && entry.takesFile;
                       });
}

} // namespace

JsonText& JsonText::put(char c) {
    if (size_ < buffer_.size()) {
        buffer_[size_++] = c;
    } else {
        full_ = true;
    }
    return *this;
}

JsonText& JsonText::raw(std::string_view text) {
    for (const char c : text) {
        put(c);
    }
    return *this;
}

void JsonText::separate() {
    if (!first_) {
        put(',');
    }
    first_ = false;
}

JsonText& JsonText::key(std::string_view name) {
    separate();
    put('"').raw(name).raw("\":");
    first_ = true; // the value follows without a comma
    return *this;
}

JsonText& JsonText::open(char bracket) {
    separate();
    put(bracket);
    first_ = true;
    return *this;
}

JsonText& JsonText::close(char bracket) {
    put(bracket);
    first_ = false;
    return *this;
}

JsonText& JsonText::number(std::uint32_t value) {
    separate();
    std::array<char, 10> digits{};
    const char* end = std::to_chars(digits.data(), digits.data() + digits.size(), value).ptr;
    raw({digits.data(), static_cast<std::size_t>(end - digits.data())});
    first_ = false;
    return *this;
}

JsonText& JsonText::null() {
    separate();
    raw("null");
    first_ = false;
    return *this;
}

JsonText& JsonText::string(std::string_view text) {
    separate();
    put('"');
    while (!text.empty()) {
        const auto c = static_cast<unsigned char>(text[0]);
        std::size_t used = 1;
        if (c == '"' || c == '\\') {
            put('\\').put(static_cast<char>(c));
        } else if (c == '\n') {
            raw("\\n");
        } else if (c == '\t') {
            raw("\\t");
        } else if (c == '\r') {
            raw("\\r");
        } else if (c < 0x20) {
            raw("\\u00").put(HexDigits[c >> 4]).put(HexDigits[c & 0xF]);
        } else if (c < 0x80) {
            put(static_cast<char>(c));
        } else if ((used = utf8Sequence(text)) > 0) {
            raw({text.data(), used});
        } else {
            used = 1;
            raw("\\ufffd");
        }
        text.remove_prefix(used);
    }
    put('"');
    first_ = false;
    return *this;
}

bool jsonAsked(std::span<char* const> arguments) {
    for (std::size_t i = 1; i < arguments.size() && arguments[i] != nullptr; ++i) {
        const std::string_view argument = arguments[i];
        if (argument == "--") {
            break; // after it, --json would be FILE
        }
        if (argument == "--json") {
            return true;
        }
        // The value of an option that takes one is not an option, even when it reads --json.
        for (const OptionName& option : OptionNames) {
            if (argument == option.name && !option.value.empty()) {
                ++i;
            }
        }
    }
    return false;
}

void JsonResult::commandLine(const Options& options) {
    options_ = &options;
    operation_ = options.operationName;
    fileOffset_ = options.block.fileOffset;
}

void JsonResult::place(const FilePlace& place) {
    placed_ = true;
    fileOffset_ = place.address;
}

void JsonResult::comparison(const WholeBlockComparison& comparison, std::uint32_t compared) {
    compared_ = true;
    comparison_ = comparison;
    comparedBytes_ = compared;
}

void JsonResult::passes(const PassAgreement& agreement, std::uint32_t passes) {
    passesRead_ = true;
    passes_ = passes;
    unstable_ = agreement.unstable;
}

void JsonResult::pulses(const PulseCounts& counts) {
    pulsed_ = true;
    pulses_ = counts;
}

void JsonResult::checksums(const ChecksumLine& line) {
    checksummed_ = true;
    std::copy(line.text().begin(), line.text().end(), checksums_.begin());
}

void JsonResult::selfTest(const SelfTestDiagnosis& diagnosis) {
    selfTested_ = true;
    selfTest_ = diagnosis;
}

void JsonResult::message(std::string_view sentence) {
    if (messageSize_ == 0) {
        messageSize_ = std::min(sentence.size(), message_.size());
        std::copy_n(sentence.begin(), messageSize_, message_.begin());
    }
}

std::string_view JsonResult::write(ExitStatus status, std::span<char> buffer) const {
    JsonText json(buffer);
    json.open('{').key("operation");
    operation_.empty() ? json.null() : json.string(operation_);
    if (options_ != nullptr) {
        const Options& options = *options_;
        json.key("port").string(options.port);
        const bool blockRead =
            options.operation != Operation::Timer && options.operation != Operation::Idle;
        if (blockRead) {
            json.key("block").open('{');
            json.key("romOffset").number(options.block.romOffset);
            json.key("length").number(options.block.length);
            if (takesFile(options.operation)) {
                // A record file's address is known once the file has been read.
                if (placed_ || options.fileOffsetGiven || options.format == RecordFormat::Raw) {
                    json.key("fileOffset").number(fileOffset_);
                }
                json.key("file").string(options.file);
                json.key("format").string(formatName(options.format));
            }
            json.close('}');
        }
    }
    json.key("exitStatus").number(static_cast<std::uint32_t>(status));
    json.key("exitName").string(exitName(status));
    // The self-test counts and names lines as a comparison does, over both its rounds.
    const bool lined = compared_ || selfTested_;
    if (lined || passesRead_ || pulsed_) {
        json.key("counts").open('{');
        if (lined) {
            json.key("differing").number(compared_ ? comparison_.count : selfTest_.differing);
            json.key("compared").number(compared_ ? comparedBytes_ : SelfTestRounds * RomSize);
        }
        if (pulsed_) {
            json.key("programmed").number(pulses_.programmed);
            json.key("alreadyHeld").number(pulses_.alreadyHeld);
        }
        if (passesRead_) {
            json.key("passes").number(passes_);
            json.key("unstable").number(unstable_);
        }
        json.close('}');
    }
    if (compared_) {
        json.key("differences").open('[');
        const std::size_t listed = std::min<std::size_t>(comparison_.count, ListedDifferences);
        for (std::size_t i = 0; i < listed; ++i) {
            const Difference& difference = comparison_.first[i];
            json.open('{');
            json.key("address").number(difference.address);
            json.key("expected").number(difference.expected);
            json.key("read").number(difference.actual);
            json.close('}');
        }
        json.close(']');
    }
    if (lined) {
        const std::uint8_t stuckAtZero = compared_ ? comparison_.alwaysZero : selfTest_.stuckAtZero;
        const std::uint8_t stuckAtOne = compared_ ? comparison_.alwaysOne : selfTest_.stuckAtOne;
        const std::uint16_t addressLines =
            compared_ ? comparison_.aliasedAddressLines : selfTest_.aliasedAddressLines;
        json.key("lines").open('[');
        const auto line = [&](std::string_view kind, int number) -> JsonText& {
            return json.open('{').key("kind").string(kind).key("line").number(
                static_cast<std::uint32_t>(number));
        };
        for (int bit = 0; bit < DataLines; ++bit) {
            if ((stuckAtZero >> bit) & 1) {
                line("data-stuck-0", bit).close('}');
            }
            if ((stuckAtOne >> bit) & 1) {
                line("data-stuck-1", bit).close('}');
            }
        }
        for (int bit = 0; bit < DataLines && selfTested_; ++bit) {
            for (int other = bit + 1; other < DataLines; ++other) {
                if ((selfTest_.shortedTo[bit] >> other) & 1) {
                    line("data-shorted", bit)
                        .key("with")
                        .number(static_cast<std::uint32_t>(other))
                        .close('}');
                }
            }
        }
        for (int address = 0; address < AddressLines; ++address) {
            if ((addressLines >> address) & 1) {
                line("address", address).close('}');
            }
        }
        json.close(']');
    }
    if (compared_ && comparison_.count > 0 && comparison_.uniformValue) {
        json.key("uniformValue").number(*comparison_.uniformValue);
    }
    if (checksummed_) {
        // The fields of the line "crc32 XXXXXXXX  sha1 <40 digits>  sum16 XXXX".
        const char* text = checksums_.data();
        json.key("checksums").open('{');
        json.key("crc32").string({text + 6, 8});
        json.key("sha1").string({text + 21, 40});
        json.key("sum16").string({text + 69, 4});
        json.close('}');
    }
    if (messageSize_ > 0 &&
        (status == ExitStatus::Usage || status == ExitStatus::Port || status == ExitStatus::File)) {
        json.key("message").string({message_.data(), messageSize_});
    }
    json.close('}').raw("\n");
    return json.full() ? std::string_view() : json.view();
}

ExitStatus JsonResult::finish(ExitStatus status) const {
    if (!asked_) {
        return status;
    }
    const std::string_view object = write(status, objectBuffer);
    if (object.empty()) {
        return ExitStatus::File;
    }
    return writeText(Stream::Out, object) ? status : ExitStatus::File;
}

} // namespace rfprog::cli
