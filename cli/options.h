// The command line: one operation, its FILE, the block, the port and the switches.
#pragma once

#include "cli/ports/port_backend.h"
#include "cli/texts.h"
#include "cli/usage.h"
#include "image/block_rules.h"
#include "image/record_file.h"

#include <array>
#include <cstdint>
#include <span>
#include <string_view>

namespace rfprog::cli {

struct Options {
    Operation operation = Operation::None;
    std::string_view operationName;
    std::string_view file;
    BlockParameters block; // the dialog program's defaults and rules
    std::string_view port;
    PortChoice portChoice;
    std::string_view trace;
    std::uint32_t reads = 1; // passes of each block read but the write's pre-check
    bool map = false;        // the block's picture on standard output
    std::string_view mapSvg; // the same picture as an SVG file
    bool json = false;       // the result as a JSON object on standard output
    bool force = false;
    bool everyByte = false; // write: a pulse for every byte FILE defines
    bool emulator = false;
    bool hold = false;
    bool yes = false;
    bool quiet = false;
    bool help = false;
    // FILE's format: --format, or else its extension.
    RecordFormat format = RecordFormat::Raw;
    // A record file's block starts, unless given, where the file's base puts it.
    bool fileOffsetGiven = false;
    bool version = false;

    bool mapped() const { return map || !mapSvg.empty(); }

    bool questionsAsked() const {
        return operation == Operation::Timer || operation == Operation::SelfTest ||
               (operation == Operation::Write && emulator);
    }
};

// A refused command line: the text and its arguments, all views of the arguments or of
// constants.
struct UsageError {
    Text text = Text::MissingOperation;
    std::array<std::string_view, 3> arguments{};
};

// The arguments as main gets them, the program's name first; they are parsed in order,
// and again from the start on every call. False with the first problem in error;
// options.port starts as defaultPort.
bool parseOptions(std::span<char* const> arguments, std::string_view defaultPort, Options& options,
                  UsageError& error);

} // namespace rfprog::cli
