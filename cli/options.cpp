#include "cli/options.h"

#include "cli/output.h"
#include "cli/typed_number.h"
#include "device/read_passes.h"

#include <getopt.h>

#include <array>
#include <optional>

namespace rfprog::cli {

namespace {

constexpr std::uint32_t MaxEcr = 0xFFFF;
constexpr std::uint32_t MinEcr = 0x100;
// read reads twice by default, so that an unstable bit shows; the others once.
constexpr std::uint32_t DefaultReadPasses = 2;

// What the parser keeps besides Options: the texts as typed, for checks and messages. A
// value given empty ("--length=") is a value, refused as not a number, never the default.
struct Typed {
    std::optional<std::string_view> romOffset;
    std::optional<std::string_view> fileOffset;
    std::optional<std::string_view> length;
    std::optional<std::string_view> ecr;
    std::string_view reads;
    bool readsGiven = false;
    std::string_view format;
    bool formatGiven = false;
    bool blockGiven = false;
};

bool fail(UsageError& error, Text text, std::string_view first = {}, std::string_view second = {},
          std::string_view third = {}) {
    error.text = text;
    error.arguments = {first, second, third};
    return false;
}

bool needsFile(Operation operation) {
    for (const OperationName& entry : OperationNames) {
        if (entry.operation == operation) {
            return entry.takesFile;
        }
    }
    return false;
}

bool parseLimited(std::string_view option, std::string_view text, std::uint32_t limit,
                  std::string_view limitText, std::uint32_t& value, UsageError& error) {
    std::uint32_t number = 0;
    const NumberText read = readNumber(text, number);
    if (read == NumberText::NotNumber) {
        return fail(error, Text::BadNumber, option, text);
    }
    if (read == NumberText::TooLarge || number > limit) {
        return fail(error, Text::NumberTooLarge, option, text, limitText);
    }
    value = number;
    return true;
}

// getopt_long's tables, made from OptionNames: the long options' values are their ids
// above every letter, and the short options are the letters after "-:", which returns the
// other arguments in order (whatever POSIXLY_CORRECT says) and a missing value as ':'.
constexpr int FirstLongValue = 0x100;
constexpr std::size_t OptionCount = std::size(OptionNames);

constexpr std::array<option, OptionCount + 1> makeLongOptions() {
    std::array<option, OptionCount + 1> options{};
    for (std::size_t i = 0; i < OptionCount; ++i) {
        const OptionName& entry = OptionNames[i];
        options[i] = {entry.name.data() + 2, entry.value.empty() ? no_argument : required_argument,
                      nullptr, FirstLongValue + static_cast<int>(entry.id)};
    }
    return options;
}

constexpr std::array<char, OptionCount + 3> makeShortOptions() {
    std::array<char, OptionCount + 3> letters{'-', ':'};
    std::size_t count = 2;
    for (const OptionName& entry : OptionNames) {
        if (entry.letter != 0) {
            letters[count++] = entry.letter;
        }
    }
    return letters;
}

constexpr auto LongOptions = makeLongOptions();
constexpr auto ShortOptions = makeShortOptions();

// The option getopt_long returned: a long option's value or a letter.
const OptionName* optionFor(int code) {
    for (const OptionName& entry : OptionNames) {
        if (code == FirstLongValue + static_cast<int>(entry.id) ||
            (entry.letter != 0 && code == entry.letter)) {
            return &entry;
        }
    }
    return nullptr;
}

// The long option named exactly so; getopt_long also takes unique abbreviations, which
// this program refuses.
const OptionName* optionNamed(std::string_view name) {
    for (const OptionName& entry : OptionNames) {
        if (entry.name == name) {
            return &entry;
        }
    }
    return nullptr;
}

void applyOption(OptionId id, std::string_view value, Options& options, Typed& typed) {
    switch (id) {
    case OptionId::RomOffset:
        typed.romOffset = value;
        typed.blockGiven = true;
        break;
    case OptionId::FileOffset:
        typed.fileOffset = value;
        typed.blockGiven = true;
        break;
    case OptionId::Length:
        typed.length = value;
        typed.blockGiven = true;
        break;
    case OptionId::Format:
        typed.format = value;
        typed.formatGiven = true;
        break;
    case OptionId::Port:
        options.port = value;
        break;
    case OptionId::Ecr:
        typed.ecr = value;
        break;
    case OptionId::Trace:
        options.trace = value;
        break;
    case OptionId::Reads:
        typed.reads = value;
        typed.readsGiven = true;
        break;
    case OptionId::Map:
        options.map = true;
        break;
    case OptionId::MapSvg:
        options.mapSvg = value;
        break;
    case OptionId::Json:
        options.json = true;
        break;
    case OptionId::Force:
        options.force = true;
        break;
    case OptionId::EveryByte:
        options.everyByte = true;
        break;
    case OptionId::Emulator:
        options.emulator = true;
        break;
    case OptionId::Hold:
        options.hold = true;
        break;
    case OptionId::Yes:
        options.yes = true;
        break;
    case OptionId::Quiet:
        options.quiet = true;
        break;
    case OptionId::Help:
        options.help = true;
        break;
    case OptionId::Version:
        options.version = true;
        break;
    }
}

// One option that getopt_long returned from the argument typed; false on a problem.
bool parseOption(int code, std::string_view typed, const char* value, Options& options,
                 Typed& parsed, UsageError& error) {
    if (typed.starts_with("--")) {
        // The name before any "=value" (substr would bring in the exception runtime).
        const std::size_t equals = typed.find('=');
        const OptionName* named = optionNamed(std::string_view(
            typed.data(), equals == std::string_view::npos ? typed.size() : equals));
        if (named == nullptr || (named->value.empty() && equals != std::string_view::npos)) {
            return fail(error, Text::UnknownOption, typed);
        }
        // The whole name of an option with a value, and still an error: the value is missing
        // (glibc and MinGW return different codes for it).
        if (code == ':' || code == '?') {
            return fail(error, Text::MissingValue, named->name);
        }
    }
    const OptionName* option = optionFor(code);
    if (option == nullptr) { // a letter that names no option
        return fail(error, Text::UnknownOption, typed);
    }
    applyOption(option->id, value == nullptr ? std::string_view() : value, options, parsed);
    return true;
}

// The operation, then FILE where the operation takes one.
bool parsePositional(std::string_view argument, std::size_t& positional, Options& options,
                     UsageError& error) {
    if (positional == 0) {
        options.operationName = argument;
        for (const OperationName& entry : OperationNames) {
            if (argument == entry.name) {
                options.operation = entry.operation;
            }
        }
        if (options.operation == Operation::None) {
            return fail(error, Text::UnknownOperation, argument);
        }
    } else if (positional == 1 && needsFile(options.operation)) {
        options.file = argument;
    } else {
        return fail(error, Text::ExtraArgument, argument);
    }
    ++positional;
    return true;
}

// The limits as the messages show them, "0x7FF", made from the limits themselves once, as
// the program starts: a usage error keeps views of them.
const Number MaxRomOffsetText = Number::hex(MaxRomOffset, 1);
const Number MaxFileOffsetText = Number::hex(MaxFileOffset, 1);
const Number MaxBlockLengthText = Number::hex(MaxBlockLength, 1);
const Number DefaultLengthText = Number::hex(BlockParameters{}.length, 1);
// A record file's addresses fill 32 bits.
constexpr std::uint32_t MaxRecordFileOffset = 0xFFFFFFFF;
const Number MaxRecordFileOffsetText = Number::hex(MaxRecordFileOffset, 1);
constexpr std::uint64_t RecordAddressSpaceEnd = std::uint64_t{MaxRecordFileOffset} + 1;

// --format, or else FILE's extension.
bool parseFormat(const Typed& typed, Options& options, UsageError& error) {
    if (!typed.formatGiven) {
        if (options.file == StandardStreamName) {
            return fail(error, Text::FormatNeededForStream);
        }
        options.format = formatForFileName(options.file);
        return true;
    }
    const auto format = parseFormatName(typed.format);
    if (!format) {
        return fail(error, Text::BadFormat, typed.format);
    }
    options.format = *format;
    return true;
}

// Each number is refused as it is read, with its limit; then the block as a whole.
bool parseBlock(const Typed& typed, Options& options, UsageError& error) {
    BlockParameters& block = options.block;
    if (typed.romOffset && !parseLimited("--rom-offset", *typed.romOffset, MaxRomOffset,
                                         MaxRomOffsetText.view(), block.romOffset, error)) {
        return false;
    }
    const bool raw = options.format == RecordFormat::Raw;
    if (typed.fileOffset &&
        !parseLimited("--file-offset", *typed.fileOffset, raw ? MaxFileOffset : MaxRecordFileOffset,
                      raw ? MaxFileOffsetText.view() : MaxRecordFileOffsetText.view(),
                      block.fileOffset, error)) {
        return false;
    }
    options.fileOffsetGiven = typed.fileOffset.has_value();
    if (typed.length && !parseLimited("--length", *typed.length, MaxBlockLength,
                                      MaxBlockLengthText.view(), block.length, error)) {
        return false;
    }
    switch (checkBlock(block)) {
    case BlockFault::None:
        if (!raw && std::uint64_t{block.fileOffset} + block.length > RecordAddressSpaceEnd) {
            return fail(error, Text::BlockPastAddressSpace, typed.fileOffset.value_or("0"),
                        typed.length.value_or(DefaultLengthText.view()));
        }
        return true;
    case BlockFault::Empty:
        return fail(error, Text::LengthZero);
    case BlockFault::PastRomEnd:
        break;
    }
    return fail(error, Text::BlockPastEnd, typed.romOffset.value_or("0"),
                typed.length.value_or(DefaultLengthText.view()));
}

bool parsePort(const Typed& typed, Options& options, UsageError& error) {
    switch (parsePortChoice(options.port, options.portChoice)) {
    case PortParse::NamesNothing:
        return fail(error, Text::PortNamesNothing, options.port);
    case PortParse::UnusableBase:
        return fail(error, Text::UnusableBase, options.port);
    case PortParse::Parsed:
        break;
    }
    if (!typed.ecr) {
        return true;
    }
    if (!options.portChoice.backend->takesEcr) {
        return fail(error, Text::EcrNotForPort);
    }
    const auto ecr = parseNumber(*typed.ecr);
    if (!ecr || *ecr < MinEcr || *ecr > MaxEcr) {
        return fail(error, Text::BadEcr, *typed.ecr);
    }
    options.portChoice.ecr = static_cast<std::uint16_t>(*ecr);
    return true;
}

// The switches and options that only some operations take.
bool checkApplicable(const Typed& typed, const Options& options, UsageError& error) {
    const std::string_view name = options.operationName;
    if (options.force && (options.operation != Operation::Write || options.emulator)) {
        return fail(error, Text::OptionNotForOperation, "--force",
                    options.emulator ? "write --emulator" : name);
    }
    if (options.everyByte && (options.operation != Operation::Write || options.emulator)) {
        return fail(error, Text::OptionNotForOperation, "--every-byte",
                    options.emulator ? "write --emulator" : name);
    }
    if (options.emulator && options.operation != Operation::Write) {
        return fail(error, Text::OptionNotForOperation, "--emulator", name);
    }
    if (options.emulator && options.file == StandardStreamName && !options.yes) {
        return fail(error, Text::EmulatorStreamNeedsYes);
    }
    if (options.hold && options.operation != Operation::Timer) {
        return fail(error, Text::OptionNotForOperation, "--hold", name);
    }
    if (typed.blockGiven &&
        (options.operation == Operation::Timer || options.operation == Operation::SelfTest ||
         options.operation == Operation::Idle)) {
        return fail(error, Text::OptionNotForOperation, "--rom-offset/--file-offset/--length",
                    name);
    }
    if (typed.fileOffset && options.operation == Operation::Blank) {
        return fail(error, Text::OptionNotForOperation, "--file-offset", name);
    }
    if (typed.formatGiven && !needsFile(options.operation)) {
        return fail(error, Text::OptionNotForOperation, "--format", name);
    }
    if (typed.readsGiven && options.operation == Operation::Timer) {
        return fail(error, Text::OptionNotForOperation, "--reads", name);
    }
    // Only the operations that read a block have one to picture.
    const bool readsBlock =
        options.operation != Operation::Timer && options.operation != Operation::Idle;
    if (options.map && !readsBlock) {
        return fail(error, Text::OptionNotForOperation, "--map", name);
    }
    if (!options.mapSvg.empty() && !readsBlock) {
        return fail(error, Text::OptionNotForOperation, "--map-svg", name);
    }
    return true;
}

bool parseReads(const Typed& typed, Options& options, UsageError& error) {
    if (!typed.readsGiven) {
        options.reads = options.operation == Operation::Read ? DefaultReadPasses : 1;
        return true;
    }
    std::uint32_t reads = 0;
    const NumberText read = readNumber(typed.reads, reads);
    if (read == NumberText::NotNumber) {
        return fail(error, Text::BadNumber, "--reads", typed.reads);
    }
    if (read == NumberText::TooLarge || reads < 1 || reads > MaxReadPasses) {
        return fail(error, Text::BadReads, typed.reads);
    }
    options.reads = reads;
    return true;
}

} // namespace

bool parseOptions(std::span<char* const> arguments, std::string_view defaultPort, Options& options,
                  UsageError& error) {
    options = Options{};
    options.port = defaultPort;
    Typed typed;
    std::size_t positional = 0;
    const int count = static_cast<int>(arguments.size());
    opterr = 0; // the program's own messages
    optind = 0; // a full reset: the scan starts again at the first argument
    for (;;) {
        // The argument getopt_long looks at: a letter group stays at optind until its last
        // letter.
        const int at = optind == 0 ? 1 : optind;
        const int code =
            getopt_long(count, arguments.data(), ShortOptions.data(), LongOptions.data(), nullptr);
        if (code == -1) {
            // The end, or "--"; MinGW's scan also ends at a '-' inside a letter group.
            if (optind == at && at < count) {
                return fail(error, Text::UnknownOption, arguments[static_cast<std::size_t>(at)]);
            }
            break;
        }
        const bool parsed = code == 1 ? parsePositional(optarg, positional, options, error)
                                      : parseOption(code, arguments[static_cast<std::size_t>(at)],
                                                    optarg, options, typed, error);
        if (!parsed) {
            return false;
        }
    }
    // After "--" every argument is an operation, FILE or one too many.
    for (int i = optind; i < count; ++i) {
        if (!parsePositional(arguments[static_cast<std::size_t>(i)], positional, options, error)) {
            return false;
        }
    }
    if (options.help || options.version) {
        return true;
    }
    if (options.operation == Operation::None) {
        return fail(error, Text::MissingOperation);
    }
    if (needsFile(options.operation) && options.file.empty()) {
        return fail(error, Text::MissingFile, options.operationName);
    }
    return checkApplicable(typed, options, error) && parseFormat(typed, options, error) &&
           parseBlock(typed, options, error) && parseReads(typed, options, error) &&
           parsePort(typed, options, error);
}

} // namespace rfprog::cli
