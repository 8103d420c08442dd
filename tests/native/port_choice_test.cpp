// Every --port form: the backend it reaches, with its address or path, the address its
// trace shows and whether --ecr applies; or the refusal.
#include "cli/ports/port_backend.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string_view>

namespace rfprog::test {
namespace {

using cli::PortParse;

struct PortForm {
    std::string_view text;
    PortParse parse;
    const cli::PortBackend* backend = nullptr; // when parsed
    std::uint16_t base = 0;
    std::string_view path{};
    std::uint16_t traceBase = 0;
};

const cli::PortBackend* const Sim = &cli::SimulatedBoardBackend;
const cli::PortBackend* const Device = &cli::PortDeviceBackend;
const cli::PortBackend* const Address = &cli::BaseAddressBackend;
constexpr auto Parsed = PortParse::Parsed;
constexpr auto NamesNothing = PortParse::NamesNothing;
constexpr auto UnusableBase = PortParse::UnusableBase;

const PortForm PortForms[] = {
    // The simulated board traces as LPT1 whatever its file.
    {"sim", Parsed, Sim, 0, "", 0x378},
    {"sim:rom.bin", Parsed, Sim, 0, "rom.bin", 0x378},
    {"sim:/tmp/a b:c", Parsed, Sim, 0, "/tmp/a b:c", 0x378},
    {"sim:", NamesNothing},
    // A port device traces its register offsets.
    {"/dev/parport0", Parsed, Device, 0, "/dev/parport0", 0},
    {"/dev/parport12", Parsed, Device, 0, "/dev/parport12", 0},
    {"/dev/", NamesNothing},
    {"lpt1", Parsed, Address, 0x378, "", 0x378},
    {"lpt2", Parsed, Address, 0x278, "", 0x278},
    {"lpt3", Parsed, Address, 0x3BC, "", 0x3BC},
    {"LPT1", Parsed, Address, 0x378, "", 0x378},
    {"LPT2", Parsed, Address, 0x278, "", 0x278},
    {"LPT3", Parsed, Address, 0x3BC, "", 0x3BC},
    {"0xD010", Parsed, Address, 0xD010, "", 0xD010},
    {"0Xd010", Parsed, Address, 0xD010, "", 0xD010},
    {"888", Parsed, Address, 0x378, "", 0x378},
    {"0x100", Parsed, Address, 0x100, "", 0x100},
    {"65528", Parsed, Address, 0xFFF8, "", 0xFFF8},
    {"0xFFF8", Parsed, Address, 0xFFF8, "", 0xFFF8},
    // Three registers from a multiple of 4, below 0x10000.
    {"0x379", UnusableBase},
    {"0xFC", UnusableBase},
    {"0", UnusableBase},
    {"0xFFFC", UnusableBase},
    {"0x10000", UnusableBase},
    {"4294967295", UnusableBase},
    {"4294967296", UnusableBase}, // a number, more than 32 bits
    {"lpt0", NamesNothing},
    {"lpt4", NamesNothing},
    {"lpt9", NamesNothing},
    {"Lpt1", NamesNothing},
    {" lpt1", NamesNothing},
    {"lpt1 ", NamesNothing},
    {"SIM", NamesNothing},
    {"sim2", NamesNothing},
    {"dev/parport0", NamesNothing},
    {"", NamesNothing},
    {"0x", NamesNothing},
    {"12x", NamesNothing},
    {"-888", NamesNothing},
    {"+888", NamesNothing},
    {"0x-378", NamesNothing},
};

TEST(PortChoiceTest, EveryFormReachesItsBackendOrIsRefused) {
    for (const PortForm& form : PortForms) {
        SCOPED_TRACE(form.text);
        cli::PortChoice choice;
        choice.ecr = 0x77A; // a parse starts afresh
        ASSERT_EQ(cli::parsePortChoice(form.text, choice), form.parse);
        if (form.parse != Parsed) {
            continue;
        }
        EXPECT_EQ(choice.backend, form.backend);
        EXPECT_EQ(choice.base, form.base);
        EXPECT_EQ(choice.path, form.path);
        EXPECT_EQ(choice.ecr, std::nullopt);
        EXPECT_EQ(choice.traceBase(), form.traceBase);
        EXPECT_EQ(choice.backend->takesEcr, form.backend == Address); // --ecr: addresses only
    }
}

TEST(PortChoiceTest, DefaultPortOnLinuxIsTheFirstPortDevice) {
    cli::PortChoice choice;
    ASSERT_EQ(cli::parsePortChoice(cli::defaultPortName(), choice), Parsed);
    EXPECT_EQ(choice.backend, Device);
    EXPECT_EQ(choice.path, "/dev/parport0");
}

} // namespace
} // namespace rfprog::test
