// The command line's parser fed arbitrary argument vectors: the input split at zero
// bytes, the program's name first. parseOptions reads only its arguments and writes only
// its results (it opens no port or file and says nothing itself), and main turns every
// refusal into exit status 2 with the refusal's message; so what is checked here is
// that it gives the same answer when called again (it parses with getopt's global
// scan), that a refusal always says why with a message that names what it refuses,
// and that an accepted block is one the program's fixed buffers hold.
#include "cli/options.h"
#include "cli/output.h"
#include "cli/platform.h"
#include "cli/ports/address_port.h"
#include "device/read_passes.h"
#include "tests/fuzz/fuzz_support.h"

#include <algorithm>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace {

using rfprog::cli::Options;
using rfprog::cli::Text;
using rfprog::cli::UsageError;

constexpr std::size_t MaxFuzzArguments = 24;
constexpr std::size_t MaxShownArgument = 512;
// Never a refusal's text: a refusal that keeps it has said nothing.
constexpr Text NotARefusal = Text::Version;

bool sameResult(const Options& a, const Options& b) {
    return a.operation == b.operation && a.file == b.file && a.block == b.block &&
           a.port == b.port && a.trace == b.trace && a.reads == b.reads && a.force == b.force &&
           a.everyByte == b.everyByte && a.emulator == b.emulator && a.hold == b.hold &&
           a.yes == b.yes && a.quiet == b.quiet && a.help == b.help && a.format == b.format &&
           a.fileOffsetGiven == b.fileOffsetGiven && a.version == b.version;
}

} // namespace

// The parser is linked with the port backends, whose parsers it calls; their opening
// reaches the system through these, each a trap here, so a parse that opened a port or
// spoke on the console would stop the run.
namespace rfprog::cli {

#define FUZZ_TRAP(what) ::rfprog::fuzz::invariantBroken("the parser " what, __FILE__, __LINE__)

std::string_view portLibraryName() {
    FUZZ_TRAP("asked for the port library");
}
PortOpenError openAddressPort(const PortChoice&, ProgrammerPort*&) {
    FUZZ_TRAP("opened a port");
}
void closeAddressPort() {
    FUZZ_TRAP("closed a port");
}
std::string_view environmentValue(const char*, std::span<char>) {
    FUZZ_TRAP("read the simulated board's settings");
}
bool toFileName(std::string_view, FileName&) {
    FUZZ_TRAP("named a file");
}
bool writeText(Stream, std::string_view) {
    FUZZ_TRAP("wrote to the console");
}

} // namespace rfprog::cli

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace rfprog;
    // Each argument a string of its own, so that a read past one is a sanitizer report.
    std::vector<std::string> texts = {"rfprog-cli"};
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    for (std::size_t start = 0; start <= input.size() && texts.size() <= MaxFuzzArguments;) {
        const std::size_t end = std::min(input.find('\0', start), input.size());
        texts.emplace_back(input.substr(start, end - start));
        start = end + 1;
    }
    std::vector<char*> arguments;
    for (std::string& text : texts) {
        arguments.push_back(text.data());
    }
    arguments.push_back(nullptr); // as main gets them
    const std::span<char* const> given(arguments.data(), texts.size());

    Options options;
    UsageError error{NotARefusal, {}};
    const bool accepted = cli::parseOptions(given, "/dev/parport0", options, error);
    Options again;
    UsageError errorAgain{NotARefusal, {}};
    FUZZ_CHECK(cli::parseOptions(given, "/dev/parport0", again, errorAgain) == accepted);

    if (!accepted) {
        FUZZ_CHECK(error.text != NotARefusal);
        FUZZ_CHECK(errorAgain.text == error.text && errorAgain.arguments == error.arguments);
        // The message names each argument it was given, in both languages.
        for (const cli::Language language : {cli::Language::English, cli::Language::Russian}) {
            cli::Line line;
            line.format(cli::text(error.text, language),
                        {error.arguments[0], error.arguments[1], error.arguments[2]});
            FUZZ_CHECK(line.size() > 0);
            for (const std::string_view argument : error.arguments) {
                // (A line is cut at its buffer's end.)
                FUZZ_CHECK(argument.size() > MaxShownArgument ||
                           line.view().find(argument) != std::string_view::npos);
            }
        }
        return 0;
    }
    FUZZ_CHECK(sameResult(options, again));
    if (options.help || options.version) {
        return 0;
    }
    FUZZ_CHECK(options.operation != cli::Operation::None);
    const BlockParameters& block = options.block;
    FUZZ_CHECK(block.length >= 1 && block.romOffset + block.length <= RomSize);
    FUZZ_CHECK(options.reads >= 1 && options.reads <= MaxReadPasses);
    return 0;
}
