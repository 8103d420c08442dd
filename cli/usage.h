// The words of the command line: the operations and the options, in the order in which
// --help, the man page and the README list them. The parser takes its names from here,
// and the tests hold the help texts and the documents to the same lists.
#pragma once

#include <string_view>

namespace rfprog::cli {

enum class Operation { None, Read, Write, Verify, Blank, Timer, SelfTest, Idle };

struct OperationName {
    std::string_view name;
    Operation operation;
    bool takesFile;
};

inline constexpr OperationName OperationNames[] = {
    {"read", Operation::Read, true},     {"write", Operation::Write, true},
    {"verify", Operation::Verify, true}, {"blank", Operation::Blank, false},
    {"timer", Operation::Timer, false},  {"selftest", Operation::SelfTest, false},
    {"idle", Operation::Idle, false},
};

enum class OptionId {
    RomOffset,
    FileOffset,
    Length,
    Format,
    Port,
    Ecr,
    Trace,
    Reads,
    Force,
    EveryByte,
    Emulator,
    Hold,
    Yes,
    Quiet,
    Help,
    Version,
};

struct OptionName {
    OptionId id;
    std::string_view name;  // "--rom-offset"; a literal, so zero-terminated
    char letter;            // the short form ("-y"), or 0
    std::string_view value; // what the value is called in the English help; empty for a switch
    std::string_view russianValue;
};

inline constexpr OptionName OptionNames[] = {
    {OptionId::RomOffset, "--rom-offset", 0, "N", "N"},
    {OptionId::FileOffset, "--file-offset", 0, "N", "N"},
    {OptionId::Length, "--length", 0, "N", "N"},
    {OptionId::Format, "--format", 0, "FORMAT", "ФОРМАТ"},
    {OptionId::Port, "--port", 0, "PORT", "ПОРТ"},
    {OptionId::Ecr, "--ecr", 0, "N", "N"},
    {OptionId::Trace, "--trace", 0, "FILE", "ФАЙЛ"},
    {OptionId::Reads, "--reads", 0, "N", "N"},
    {OptionId::Force, "--force", 0, {}, {}},
    {OptionId::EveryByte, "--every-byte", 0, {}, {}},
    {OptionId::Emulator, "--emulator", 0, {}, {}},
    {OptionId::Hold, "--hold", 0, {}, {}},
    {OptionId::Yes, "--yes", 'y', {}, {}},
    {OptionId::Quiet, "--quiet", 'q', {}, {}},
    {OptionId::Help, "--help", 'h', {}, {}},
    {OptionId::Version, "--version", 0, {}, {}},
};

} // namespace rfprog::cli
