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
    expectExitCodeZero(program);
}

TEST(DriverCheck, OpenDriverLetsTheWindowOpenWithoutAMessage) {
    RfprogProcess program;
    ASSERT_TRUE(program.start());
    expectQuietAndClose(program);
}

// Settings the library does not understand: it refuses to load, one box names the
// variable and the value, and the program never starts (no port access, no window).
struct RefusedSetting {
    const char* faults; // "" leaves a setting at its default
    const char* timer;
    const wchar_t* named;
};

constexpr RefusedSetting RefusedSettings[] = {
    {"absent,sideways", "", L"RFPROG_SIM_FAULTS=\"absent,sideways\""}, // unknown fault
    {"stuck0=1G", "", L"RFPROG_SIM_FAULTS=\"stuck0=1G\""},             // malformed stuck byte
    {"short=3-3", "", L"RFPROG_SIM_FAULTS=\"short=3-3\""},             // malformed line fault
    {"", "soon", L"RFPROG_SIM_TIMER=\"soon\""},                        // non-numeric timer
};

TEST(SimulatorSettings, UnderstoodSettingsOnlyLetTheProgramStart) {
    for (const RefusedSetting& refused : RefusedSettings) {
        const std::wstring named = refused.named;
        SCOPED_TRACE(utf8(named));
        SimSettings settings;
        settings.faults = refused.faults;
        settings.timer = refused.timer;
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
