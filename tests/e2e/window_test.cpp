// Start-up, the main window, closing, command dispatch and the file dialog.
#include "tests/e2e/e2e_checks.h"

#include <array>
#include <cstdlib>
#include <cwchar>

namespace e2e {
namespace {

// --- Start-up -------------------------------------------------------------

BOOL CALLBACK collectProcessWindow(HWND window, LPARAM parameter) {
    auto* search = reinterpret_cast<std::pair<DWORD, int>*>(parameter);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process == search->first) {
        ++search->second;
    }
    return TRUE;
}

int topLevelWindowsOf(DWORD processId) {
    std::pair<DWORD, int> search{processId, 0};
    EnumWindows(collectProcessWindow, reinterpret_cast<LPARAM>(&search));
    return search.second;
}

// The simulated board opens its ROM file when the program first touches a port. Here
// that "file" is a named pipe of this test: the program stops inside its first port
// access, reading the pipe, until the test writes the ROM's bytes. While it waits the
// test checks that the program has no window yet; afterwards, that the first (and
// only) port access of the start-up was the control write 0x00.
TEST(StartUp, FirstPortAccessIsControlIdleBeforeAnyWindow) {
    RfprogProcess program;
    const std::wstring pipeName = L"\\\\.\\pipe\\rfprog-e2e-rom-" +
                                  std::to_wstring(GetCurrentProcessId()) + L"-" +
                                  std::to_wstring(GetTickCount());
    HANDLE pipe = CreateNamedPipeW(pipeName.c_str(), PIPE_ACCESS_OUTBOUND | FILE_FLAG_OVERLAPPED,
                                   PIPE_TYPE_BYTE | PIPE_WAIT, 1, 4096, 4096, 0, nullptr);
    ASSERT_NE(pipe, INVALID_HANDLE_VALUE) << GetLastError();
    HANDLE event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    OVERLAPPED connection{};
    connection.hEvent = event;
    const BOOL connectedAtOnce = ConnectNamedPipe(pipe, &connection);
    const DWORD connectError = GetLastError();
    ASSERT_TRUE(!connectedAtOnce && connectError == ERROR_IO_PENDING) << connectError;

    SimSettings settings;
    settings.romPathOverride = pipeName;
    ASSERT_TRUE(program.launch(settings));
    // Until the first port access the program must not create a window.
    int windowsBefore = 0;
    ASSERT_TRUE(waitUntil(
        [&] {
            windowsBefore = topLevelWindowsOf(program.processId());
            return WaitForSingleObject(event, 0) == WAIT_OBJECT_0 || windowsBefore > 0 ||
                   !program.running();
        },
        DefaultTimeoutMs));
    ASSERT_EQ(windowsBefore, 0) << "a window exists before the first port access";
    ASSERT_EQ(WaitForSingleObject(event, 0), WAIT_OBJECT_0)
        << "the program never touched a port (the simulated board never opened its ROM)";

    // The program is inside its first Out32/Inp32 call now.
    EXPECT_EQ(topLevelWindowsOf(program.processId()), 0)
        << "a window exists during the first port access";
    EXPECT_FALSE(fileExists(program.tracePath())) << "port accesses before the ROM was opened";

    const Bytes erased(RomSize, 0xFF);
    OVERLAPPED write{};
    write.hEvent = event;
    ResetEvent(event);
    DWORD written = 0;
    if (!WriteFile(pipe, erased.data(), static_cast<DWORD>(erased.size()), &written, &write)) {
        ASSERT_EQ(GetLastError(), static_cast<DWORD>(ERROR_IO_PENDING));
        ASSERT_EQ(WaitForSingleObject(event, DefaultTimeoutMs), WAIT_OBJECT_0);
    }

    ASSERT_TRUE(program.waitDialog());
    const PortTrace trace = program.trace();
    ASSERT_FALSE(trace.empty());
    EXPECT_EQ(toString(trace[0]), "W 37A 00");
    EXPECT_TRUE(sameTraffic(trace.accesses(), startupTraffic().accesses()));
    EXPECT_TRUE(program.closeAndWait());
    CloseHandle(pipe);
    CloseHandle(event);
}

// --- The main dialog ------------------------------------------------------

struct TemplateControl {
    int id;
    const wchar_t* className;
    const wchar_t* text;
    int x, y, width, height; // dialog units
    LONG style;
    bool clientEdge;
};

// The template, in template (= tab) order.
const std::array<TemplateControl, 16> Template = {{
    {IdFileName, L"Edit", L"", 8, 9, 195, 13, 0x50010080, true},
    {IdCancel, L"Button", L"Выход", 208, 90, 53, 13, 0x50010000, false},
    {IdOk, L"Button", L"Файл", 208, 9, 53, 13, 0x50010001, false},
    {IdCalibrate, L"Button", L"Калибровка", 149, 90, 53, 13, 0x50010000, false},
    {IdWrite, L"Button", L"Писать", 208, 42, 53, 13, 0x50010000, false},
    {IdRead, L"Button", L"Читать", 208, 26, 53, 13, 0x50010000, false},
    {IdExtra, L"Button", L"Дополнительные параметры", 8, 42, 122, 12, 0x50010003, false},
    {IdCompare, L"Button", L"Сравнить", 208, 58, 53, 13, 0x50010000, false},
    {IdBlank, L"Button", L"Чистая ПЗУ?", 208, 74, 53, 13, 0x50010000, false},
    {IdFileOffset, L"Edit", L"0", 8, 58, 37, 12, 0x4001008A, true},
    {IdFileOffsetLabel, L"Static", L"h - Смещение в файле", 47, 60, 81, 10, 0x40000000, false},
    {IdRomOffset, L"Edit", L"0", 8, 74, 37, 12, 0x4001008A, true},
    {IdRomOffsetLabel, L"Static", L"h - Смещение в ПЗУ", 47, 76, 81, 10, 0x40000000, false},
    {IdLength, L"Edit", L"800", 8, 90, 37, 12, 0x4001008A, true},
    {IdLengthLabel, L"Static", L"h - Длина блока", 47, 92, 81, 10, 0x40000000, false},
    {IdEmulator, L"Button", L"Эмулятор ПЗУ", 8, 26, 122, 12, 0x50010003, false},
}};

constexpr int ParameterGroup[] = {IdFileOffset,     IdFileOffsetLabel, IdRomOffset,
                                  IdRomOffsetLabel, IdLength,          IdLengthLabel};

// Dialog units to pixels for the template's font ("MS Sans Serif", 8 points): a dialog
// with that font is created in this process and MapDialogRect asked.
class DialogUnits {
  public:
    DialogUnits() {
        alignas(4) std::array<WORD, 64> buffer{};
        auto* header = reinterpret_cast<DLGTEMPLATE*>(buffer.data());
        header->style = WS_POPUP | DS_SETFONT;
        header->cx = 100;
        header->cy = 100;
        WORD* tail = reinterpret_cast<WORD*>(header + 1);
        *tail++ = 0; // no menu
        *tail++ = 0; // default class
        *tail++ = 0; // no title
        *tail++ = 8; // points
        for (const wchar_t* c = L"MS Sans Serif"; *c != L'\0'; ++c) {
            *tail++ = static_cast<WORD>(*c);
        }
        *tail = 0;
        dialog_ =
            CreateDialogIndirectParamW(GetModuleHandleW(nullptr), header, nullptr, dialogProc, 0);
    }
    ~DialogUnits() {
        if (dialog_ != nullptr) {
            DestroyWindow(dialog_);
        }
    }
    DialogUnits(const DialogUnits&) = delete;
    DialogUnits& operator=(const DialogUnits&) = delete;

    bool valid() const { return dialog_ != nullptr; }
    RECT map(int x, int y, int width, int height) const {
        RECT rect{x, y, x + width, y + height};
        MapDialogRect(dialog_, &rect);
        return rect;
    }

  private:
    static INT_PTR CALLBACK dialogProc(HWND, UINT message, WPARAM, LPARAM) {
        return message == WM_INITDIALOG ? TRUE : FALSE;
    }
    HWND dialog_ = nullptr;
};

std::string describeRect(const RECT& rect) {
    return std::to_string(rect.left) + "," + std::to_string(rect.top) + " " +
           std::to_string(rect.right - rect.left) + "x" + std::to_string(rect.bottom - rect.top);
}

TEST(MainWindow, ControlsMatchTheTemplate) {
    RfprogProcess program;
    ASSERT_TRUE(program.start());
    const DialogUnits units;
    ASSERT_TRUE(units.valid());

    std::size_t index = 0;
    for (HWND child = GetWindow(program.dialog(), GW_CHILD); child != nullptr;
         child = GetWindow(child, GW_HWNDNEXT), ++index) {
        ASSERT_LT(index, Template.size()) << "more controls than the template has";
        const TemplateControl& expected = Template[index];
        SCOPED_TRACE("control #" + std::to_string(index + 1) + " (id " +
                     std::to_string(expected.id) + ")");
        EXPECT_EQ(GetDlgCtrlID(child), expected.id);
        wchar_t className[64] = {};
        GetClassNameW(child, className, 64);
        EXPECT_EQ(_wcsicmp(className, expected.className), 0) << utf8(className);
        EXPECT_EQ(utf8(program.text(child)), utf8(expected.text));
        const LONG style = GetWindowLongW(child, GWL_STYLE);
        EXPECT_EQ(static_cast<unsigned long>(style), static_cast<unsigned long>(expected.style));
        // Windows adds WS_EX_NOPARENTNOTIFY to every control of a dialog.
        const LONG exStyle = GetWindowLongW(child, GWL_EXSTYLE) & ~WS_EX_NOPARENTNOTIFY;
        EXPECT_EQ(exStyle, expected.clientEdge ? WS_EX_CLIENTEDGE : 0);
        EXPECT_EQ(IsWindowVisible(child) != FALSE, (expected.style & WS_VISIBLE) != 0);

        RECT actual{};
        GetWindowRect(child, &actual);
        MapWindowPoints(nullptr, program.dialog(), reinterpret_cast<POINT*>(&actual), 2);
        const RECT wanted = units.map(expected.x, expected.y, expected.width, expected.height);
        EXPECT_TRUE(std::abs(actual.left - wanted.left) <= 1 &&
                    std::abs(actual.top - wanted.top) <= 1 &&
                    std::abs(actual.right - wanted.right) <= 1 &&
                    std::abs(actual.bottom - wanted.bottom) <= 1)
            << "position " << describeRect(actual) << ", expected " << describeRect(wanted);
    }
    EXPECT_EQ(index, Template.size());
    EXPECT_EQ(program.control(1015), nullptr) << "no control has the id 1015";
    for (const int id : ParameterGroup) {
        EXPECT_FALSE(program.isVisible(id)) << "control " << id << " must start hidden";
    }
    EXPECT_FALSE(program.isChecked(IdExtra));
    EXPECT_FALSE(program.isChecked(IdEmulator));

    // WM_INITDIALOG returns TRUE: the focus is in the file-name field.
    GUITHREADINFO thread{};
    thread.cbSize = sizeof thread;
    ASSERT_TRUE(GetGUIThreadInfo(GetWindowThreadProcessId(program.dialog(), nullptr), &thread));
    EXPECT_EQ(thread.hwndFocus, program.control(IdFileName));
    EXPECT_TRUE(program.closeAndWait());
}

TEST(MainWindow, CaptionStyleAndSize) {
    RfprogProcess program;
    ASSERT_TRUE(program.start());
    HWND dialog = program.dialog();
    const DialogUnits units;
    ASSERT_TRUE(units.valid());

    wchar_t className[64] = {};
    GetClassNameW(dialog, className, 64);
    EXPECT_STREQ(className, L"#32770");
    wchar_t caption[128] = {};
    GetWindowTextW(dialog, caption, 128);
    EXPECT_EQ(utf8(caption), utf8(MainCaption));

    // Template style 0x10C80840 (WS_VISIBLE | WS_CAPTION | WS_SYSMENU | DS_CENTER |
    // DS_SETFONT). The system adds WS_CLIPSIBLINGS (a top-level window) and DS_3DLOOK
    // (every dialog of a 4.0 program) to the live window's style, and WS_EX_WINDOWEDGE
    // and WS_EX_CONTROLPARENT to its extended style; nothing else may be there.
    const auto style = static_cast<unsigned long>(GetWindowLongW(dialog, GWL_STYLE));
    EXPECT_EQ(style & ~static_cast<unsigned long>(WS_CLIPSIBLINGS | DS_3DLOOK), 0x10C80840ul)
        << std::hex << style;
    EXPECT_EQ(style & (WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX), 0ul) << std::hex << style;
    const auto exStyle = static_cast<unsigned long>(GetWindowLongW(dialog, GWL_EXSTYLE));
    EXPECT_EQ(exStyle & ~static_cast<unsigned long>(WS_EX_WINDOWEDGE | WS_EX_CONTROLPARENT), 0ul)
        << std::hex << exStyle;
    EXPECT_EQ(GetMenu(dialog), nullptr);

    // 271 x 110 dialog units, centred (DS_CENTER) on the work area.
    RECT client{};
    GetClientRect(dialog, &client);
    const RECT wanted = units.map(0, 0, 271, 110);
    EXPECT_NEAR(client.right, wanted.right, 1);
    EXPECT_NEAR(client.bottom, wanted.bottom, 1);
    RECT frame{};
    GetWindowRect(dialog, &frame);
    RECT work{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    EXPECT_NEAR((frame.left + frame.right) / 2, (work.left + work.right) / 2, 2);
    EXPECT_NEAR((frame.top + frame.bottom) / 2, (work.top + work.bottom) / 2, 2);

    // The window's icons cannot be asked for from here: Wine 8 does not deliver WM_GETICON
    // sent from another process (SendMessageTimeout fails, while the same message works
    // inside the process), so "only the small icon is set" is not checked end to end.
    EXPECT_TRUE(program.closeAndWait());
}

bool groupVisible(const RfprogProcess& program, bool visible) {
    for (const int id : ParameterGroup) {
        if (program.isVisible(id) != visible) {
            return false;
        }
    }
    return true;
}

TEST(MainWindow, ExtraParametersShowAndHideTheGroupKeepingTheTexts) {
    RfprogProcess program;
    ASSERT_TRUE(program.start());

    // Ticked with a real click on the check box (BM_CLICK: the button notifies the dialog).
    program.clickButton(IdExtra);
    ASSERT_TRUE(waitUntil([&] { return groupVisible(program, true); }, DefaultTimeoutMs))
        << "ticking did not show all six controls";
    EXPECT_TRUE(program.isChecked(IdExtra));
    EXPECT_EQ(utf8(program.text(IdFileOffset)), "0");
    EXPECT_EQ(utf8(program.text(IdRomOffset)), "0");
    EXPECT_EQ(utf8(program.text(IdLength)), "800");
    EXPECT_EQ(utf8(program.text(IdFileOffsetLabel)), utf8(L"h - Смещение в файле"));
    EXPECT_EQ(utf8(program.text(IdRomOffsetLabel)), utf8(L"h - Смещение в ПЗУ"));
    EXPECT_EQ(utf8(program.text(IdLengthLabel)), utf8(L"h - Длина блока"));
    EXPECT_TRUE(program.isVisible(IdEmulator)) << "the emulator box is not part of the group";

    // Unticked with BM_SETCHECK and the command.
    ASSERT_TRUE(program.setCheck(IdExtra, false));
    ASSERT_TRUE(waitUntil([&] { return groupVisible(program, false); }, DefaultTimeoutMs))
        << "unticking did not hide all six controls";
    EXPECT_EQ(utf8(program.text(IdFileOffset)), "0");
    EXPECT_EQ(utf8(program.text(IdRomOffset)), "0");
    EXPECT_EQ(utf8(program.text(IdLength)), "800");

    // Shown again: still the same texts.
    ASSERT_TRUE(program.setCheck(IdExtra, true));
    ASSERT_TRUE(waitUntil([&] { return groupVisible(program, true); }, DefaultTimeoutMs));
    EXPECT_EQ(utf8(program.text(IdLength)), "800");

    expectQuietAndClose(program);
}

// --- Closing -------------------------------------------------------------------------

TEST(Closing, ExitButtonEndsWithCodeZero) {
    RfprogProcess program;
    ASSERT_TRUE(program.start());
    program.clickButton(IdCancel); // "Выход"
    expectExitCodeZero(program);
}

TEST(Closing, EscapeKeyEndsWithCodeZero) {
    RfprogProcess program;
    ASSERT_TRUE(program.start());
    // Esc in the focused file-name field; the dialog manager turns it into IDCANCEL.
    program.pressKey(program.control(IdFileName), VK_ESCAPE);
    expectExitCodeZero(program);
}

TEST(Closing, CloseMessageEndsWithCodeZero) {
    RfprogProcess program;
    ASSERT_TRUE(program.start());
    program.post(program.dialog(), WM_CLOSE, 0, 0);
    expectExitCodeZero(program);
}

// --- Command dispatch -------------------------------------------------------

TEST(Dispatch, BlankCheckNotificationWithNonZeroCodeDoesNothing) {
    RfprogProcess program;
    ASSERT_TRUE(program.start());
    program.command(IdBlank, BN_DOUBLECLICKED);
    program.command(IdBlank, 1);
    program.post(program.dialog(), WM_COMMAND, MAKEWPARAM(IdBlank, 0x8000), 0);
    // Posted messages are handled in order: once the parameter group shows, the three
    // commands above have been handled.
    ASSERT_TRUE(program.setCheck(IdExtra, true));
    ASSERT_TRUE(waitUntil([&] { return groupVisible(program, true); }, DefaultTimeoutMs));
    expectQuietAndClose(program);
}

// --- Browsing for the image file --------------------------------------------

void cancelFileDialog(RfprogProcess& program, HWND fileDialog) {
    program.post(fileDialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(fileDialog, IDCANCEL)));
    EXPECT_TRUE(waitUntil([&] { return !IsWindow(fileDialog); }, DefaultTimeoutMs))
        << "the file dialog did not close";
}

TEST(FileDialog, EnterOpensItWithTheFieldTextAndCancelKeepsTheField) {
    RfprogProcess program;
    ASSERT_TRUE(program.start());
    const std::wstring name = L"прошивка 1.bin";
    ASSERT_TRUE(program.setText(IdFileName, name));
    program.pressKey(program.control(IdFileName), VK_RETURN);
    HWND fileDialog = program.waitFileDialog();
    ASSERT_NE(fileDialog, nullptr);
    EXPECT_EQ(GetWindow(fileDialog, GW_OWNER), program.dialog());
    EXPECT_EQ(utf8(program.fileDialogName(fileDialog)), utf8(name));
    cancelFileDialog(program, fileDialog);
    EXPECT_EQ(utf8(program.text(IdFileName)), utf8(name));
    expectQuietAndClose(program);
}

TEST(FileDialog, FileButtonOpensItWithTheFieldTextAndCancelKeepsTheField) {
    RfprogProcess program;
    ASSERT_TRUE(program.start());
    const std::wstring name = L"image.rom";
    ASSERT_TRUE(program.setText(IdFileName, name));
    program.clickButton(IdOk); // "Файл"
    HWND fileDialog = program.waitFileDialog();
    ASSERT_NE(fileDialog, nullptr);
    EXPECT_EQ(utf8(program.fileDialogName(fileDialog)), utf8(name));
    cancelFileDialog(program, fileDialog);
    EXPECT_EQ(utf8(program.text(IdFileName)), utf8(name));
    EXPECT_TRUE(program.closeAndWait());
}

TEST(FileDialog, ChosenFileGoesIntoTheFieldWithItsFullPath) {
    RfprogProcess program;
    ASSERT_TRUE(writeFile(program.path(L"chosen.bin"), Bytes(16, 0x55)));
    ASSERT_TRUE(program.start());
    ASSERT_TRUE(program.setText(IdFileName, L"chosen.bin"));
    program.command(IdOk);
    HWND fileDialog = program.waitFileDialog();
    ASSERT_NE(fileDialog, nullptr);
    // The initial directory is ".\": the program's current directory, the test folder.
    program.post(fileDialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(fileDialog, IDOK)));
    ASSERT_TRUE(waitUntil([&] { return !IsWindow(fileDialog); }, DefaultTimeoutMs))
        << "the file dialog did not close on Open";
    EXPECT_EQ(utf8(program.text(IdFileName)), utf8(program.path(L"chosen.bin")));
    EXPECT_TRUE(program.closeAndWait());
}

} // namespace
} // namespace e2e
