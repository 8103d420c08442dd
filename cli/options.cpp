#include "cli/options.h"

#include "cli/output.h"

#include <optional>

namespace rfprog::cli {

namespace {

constexpr std::uint32_t MaxEcr = 0xFFFF;
constexpr std::uint32_t MinEcr = 0x100;

struct OperationName {
    std::string_view name;
    Operation operation;
};

constexpr OperationName Operations[] = {
    {"read", Operation::Read},   {"write", Operation::Write}, {"verify", Operation::Verify},
    {"blank", Operation::Blank}, {"timer", Operation::Timer},
};

// What the parser keeps besides Options: the texts as typed, for checks and messages.
struct Typed {
    std::string_view romOffset;
    std::string_view fileOffset;
    std::string_view length;
    std::string_view ecr;
    bool blockGiven = false;
};

bool fail(UsageError& error, Text text, std::string_view first = {}, std::string_view second = {},
          std::string_view third = {}) {
    error.text = text;
    error.arguments = {first, second, third};
    return false;
}

bool needsFile(Operation operation) {
    return operation == Operation::Read || operation == Operation::Write ||
           operation == Operation::Verify;
}

// "--name=value" or "--name value"; an option's value may start with '-'.
bool takeValue(std::span<const std::string_view> arguments, std::size_t& i, std::string_view name,
               std::string_view& value, bool& matched, UsageError& error) {
    const std::string_view argument = arguments[i];
    matched = false;
    if (argument == name) {
        matched = true;
        if (i + 1 >= arguments.size()) {
            return fail(error, Text::MissingValue, name);
        }
        value = arguments[++i];
        return true;
    }
    if (argument.starts_with(name) && argument.size() > name.size() &&
        argument[name.size()] == '=') {
        matched = true;
        value = argument;
        value.remove_prefix(name.size() + 1); // remove_prefix cannot throw: no runtime for it
        return true;
    }
    return true;
}

bool parseLimited(std::string_view option, std::string_view text, std::uint32_t limit,
                  std::string_view limitText, std::uint32_t& value, UsageError& error) {
    const auto number = parseNumber(text);
    if (!number) {
        return fail(error, Text::BadNumber, option, text);
    }
    if (*number > limit) {
        return fail(error, Text::NumberTooLarge, option, text, limitText);
    }
    value = *number;
    return true;
}

bool parseSwitch(std::string_view argument, Options& options) {
    struct Switch {
        std::string_view name;
        bool Options::*flag;
    };
    static constexpr Switch Switches[] = {
        {"--force", &Options::force}, {"--emulator", &Options::emulator},
        {"--hold", &Options::hold},   {"--yes", &Options::yes},
        {"-y", &Options::yes},        {"--quiet", &Options::quiet},
        {"-q", &Options::quiet},      {"--help", &Options::help},
        {"-h", &Options::help},
    };
    for (const Switch& entry : Switches) {
        if (argument == entry.name) {
            options.*entry.flag = true;
            return true;
        }
    }
    return false;
}

// One option with a value; false on a problem. matched tells whether it was one.
bool parseValueOption(std::span<const std::string_view> arguments, std::size_t& i, Options& options,
                      Typed& typed, bool& matched, UsageError& error) {
    struct ValueOption {
        std::string_view name;
        std::string_view Options::*optionText;
        std::string_view Typed::*typedText;
    };
    static constexpr ValueOption ValueOptions[] = {
        {"--port", &Options::port, nullptr},
        {"--trace", &Options::trace, nullptr},
        {"--rom-offset", nullptr, &Typed::romOffset},
        {"--file-offset", nullptr, &Typed::fileOffset},
        {"--length", nullptr, &Typed::length},
        {"--ecr", nullptr, &Typed::ecr},
    };
    for (const ValueOption& option : ValueOptions) {
        std::string_view value;
        if (!takeValue(arguments, i, option.name, value, matched, error)) {
            return false;
        }
        if (matched) {
            if (option.optionText != nullptr) {
                options.*option.optionText = value;
            } else {
                typed.*option.typedText = value;
                typed.blockGiven = typed.blockGiven || option.name != "--ecr";
            }
            return true;
        }
    }
    return true;
}

// The limits as the messages show them, "0x7FF", made from the limits themselves.
constexpr Number MaxRomOffsetText = Number::hex(MaxRomOffset, 1);
constexpr Number MaxFileOffsetText = Number::hex(MaxFileOffset, 1);
constexpr Number MaxBlockLengthText = Number::hex(MaxBlockLength, 1);
constexpr Number DefaultLengthText = Number::hex(BlockParameters{}.length, 1);

// Each number is refused as it is read, with its limit; then the block as a whole.
bool parseBlock(const Typed& typed, Options& options, UsageError& error) {
    BlockParameters& block = options.block;
    if (!typed.romOffset.empty() &&
        !parseLimited("--rom-offset", typed.romOffset, MaxRomOffset, MaxRomOffsetText.view(),
                      block.romOffset, error)) {
        return false;
    }
    if (!typed.fileOffset.empty() &&
        !parseLimited("--file-offset", typed.fileOffset, MaxFileOffset, MaxFileOffsetText.view(),
                      block.fileOffset, error)) {
        return false;
    }
    if (!typed.length.empty() && !parseLimited("--length", typed.length, MaxBlockLength,
                                               MaxBlockLengthText.view(), block.length, error)) {
        return false;
    }
    switch (checkBlock(block)) {
    case BlockFault::None:
        return true;
    case BlockFault::Empty:
        return fail(error, Text::LengthZero);
    case BlockFault::PastRomEnd:
        break;
    }
    return fail(error, Text::BlockPastEnd, typed.romOffset.empty() ? "0" : typed.romOffset,
                typed.length.empty() ? DefaultLengthText.view() : typed.length);
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
    if (typed.ecr.empty()) {
        return true;
    }
    if (options.portChoice.kind != PortKind::Address) {
        return fail(error, Text::EcrNotForPort);
    }
    const auto ecr = parseNumber(typed.ecr);
    if (!ecr || *ecr < MinEcr || *ecr > MaxEcr) {
        return fail(error, Text::BadEcr, typed.ecr);
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
    if (options.emulator && options.operation != Operation::Write) {
        return fail(error, Text::OptionNotForOperation, "--emulator", name);
    }
    if (options.hold && options.operation != Operation::Timer) {
        return fail(error, Text::OptionNotForOperation, "--hold", name);
    }
    if (typed.blockGiven && options.operation == Operation::Timer) {
        return fail(error, Text::OptionNotForOperation, "--rom-offset/--file-offset/--length",
                    name);
    }
    if (!typed.fileOffset.empty() && options.operation == Operation::Blank) {
        return fail(error, Text::OptionNotForOperation, "--file-offset", name);
    }
    return true;
}

} // namespace

bool parseOptions(std::span<const std::string_view> arguments, std::string_view defaultPort,
                  Options& options, UsageError& error) {
    options = Options{};
    options.port = defaultPort;
    Typed typed;
    std::size_t positional = 0;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string_view argument = arguments[i];
        bool matched = false;
        if (!parseValueOption(arguments, i, options, typed, matched, error)) {
            return false;
        }
        if (matched || parseSwitch(argument, options)) {
            continue;
        }
        if (argument.size() > 1 && argument[0] == '-') {
            return fail(error, Text::UnknownOption, argument);
        }
        if (positional == 0) {
            options.operationName = argument;
            for (const OperationName& entry : Operations) {
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
    }
    if (options.help) {
        return true;
    }
    if (options.operation == Operation::None) {
        return fail(error, Text::MissingOperation);
    }
    if (needsFile(options.operation) && options.file.empty()) {
        return fail(error, Text::MissingFile, options.operationName);
    }
    return checkApplicable(typed, options, error) && parseBlock(typed, options, error) &&
           parsePort(typed, options, error);
}

} // namespace rfprog::cli
