// What the program and the simulated port library do at start-up, before the window:
// the port driver check, the library's refusal of settings it does not understand, and
// the window's icons as seen from inside the program.
#include "tests/e2e/e2e_checks.h"

namespace e2e {
namespace {

const std::wstring DriverNotOpen = messageText(Message::DriverNotOpen);

// A box shown before the main window exists: it has no owner.
constexpr HWND NoOwner = nullptr;

TEST(DriverCheck, DriverNotOpenIsReportedAndNoWindowOpens) {
    SimSettings settings;
    settings.faults = "nodriver";
    RfprogProcess program;
    ASSERT_TRUE(program.launch(settings));
    const auto box = program.waitMessageBox();
    ASSERT_TRUE(box.has_value());
    EXPECT_TRUE(isMessage(*box, errorBox(DriverNotOpen), NoOwner));
    // The board was set idle first; the check itself is no port access.
    EXPECT_TRUE(sameTraffic(program.trace().accesses(), startupTraffic().accesses()));
    EXPECT_TRUE(program.otherDialogs().size() == 1) << "only the message box is up";

    ASSERT_TRUE(program.answer(*box, IDOK));
    const auto code = program.waitExit();
    ASSERT_TRUE(code.has_value()) << "the program did not end after the driver message";
    EXPECT_EQ(*code, 0u);
    EXPECT_TRUE(sameTraffic(program.trace().accesses(), startupTraffic().accesses()));
}

TEST(DriverCheck, OpenDriverLetsTheWindowOpenWithoutAMessage) {
    RfprogProcess program;
    ASSERT_TRUE(program.start());
    EXPECT_TRUE(program.noMessageBox());
    EXPECT_TRUE(sameTraffic(program.trace().accesses(), startupTraffic().accesses()));
    EXPECT_TRUE(program.closeAndWait());
}

// The library refuses to load: one box names the variable and the value, and the
// program never starts (no port access, no window).
void expectRefused(const SimSettings& settings, const std::wstring& named) {
    RfprogProcess program;
    ASSERT_TRUE(program.launch(settings));
    const auto box = program.waitMessageBox();
    ASSERT_TRUE(box.has_value());
    EXPECT_NE(box->text.find(named), std::wstring::npos)
        << utf8(box->text) << " does not name " << utf8(named);
    EXPECT_EQ(box->icon, IconKind::Error);
    ASSERT_TRUE(program.answer(*box, IDOK));
    const auto code = program.waitExit();
    ASSERT_TRUE(code.has_value()) << "the program went on after the refusal";
    EXPECT_NE(*code, 0u);
    EXPECT_FALSE(fileExists(program.tracePath())) << "a port was touched";
}

TEST(SimulatorSettings, UnknownFaultStopsTheProgram) {
    SimSettings settings;
    settings.faults = "absent,sideways";
    expectRefused(settings, L"RFPROG_SIM_FAULTS=\"absent,sideways\"");
}

TEST(SimulatorSettings, MalformedStuckByteStopsTheProgram) {
    SimSettings settings;
    settings.faults = "stuck0=1G";
    expectRefused(settings, L"RFPROG_SIM_FAULTS=\"stuck0=1G\"");
}

TEST(SimulatorSettings, MalformedLineFaultStopsTheProgram) {
    SimSettings settings;
    settings.faults = "short=3-3";
    expectRefused(settings, L"RFPROG_SIM_FAULTS=\"short=3-3\"");
}

TEST(SimulatorSettings, NonNumericTimerStopsTheProgram) {
    SimSettings settings;
    settings.timer = "soon";
    expectRefused(settings, L"RFPROG_SIM_TIMER=\"soon\"");
}

// Only the small icon is set; the big one stays the system's (none of ours).
TEST(WindowIcon, OnlyTheSmallIconIsSet) {
    RfprogProcess program;
    SimSettings settings;
    settings.more.push_back(L"RFPROG_SIM_WINDOW=" + program.path(L"window.txt"));
    ASSERT_TRUE(program.start(settings));
    // The library looks at the window from inside the program's next port access.
    const auto box = commandToMessage(program, IdBlank);
    ASSERT_TRUE(box.has_value());
    const Bytes report = readFile(program.path(L"window.txt"));
    EXPECT_EQ(std::string(report.begin(), report.end()), "small=1 big=0\n");
    dismissAndClose(program, *box);
}

} // namespace
} // namespace e2e
