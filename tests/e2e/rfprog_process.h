// The end-to-end harness: starts the real rfprog.exe (next to this test program and
// the simulated inpout32.dll) as a separate process with the simulator's settings in
// its environment and a temporary folder of its own as the current directory, finds
// its main dialog, drives it with window messages, finds and answers its message
// boxes and the open-file dialog, waits for its exit and reads the simulator's trace.
//
// Every wait has a deadline and polls with short sleeps; a process that is still
// running when the harness is destroyed is ended with TerminateProcess. Failures of the
// harness itself are reported with ADD_FAILURE and an empty result, so that a test can
// stop with ASSERT_* on the result.
#pragma once

#include "tests/e2e/message_box_icon.h"
#include "tests/support/test_data.h"
#include "tests/support/texts.h"
#include "tests/support/traffic.h"
#include "ui/messages.h"
#include "ui/resource_ids.h"

#include <windows.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace e2e {

using rfprog::ControlRegister;
using rfprog::DataRegister;
using rfprog::Message;
using rfprog::RomSize;
using rfprog::StatusRegister;
using rfprog::test::Bytes;
using rfprog::test::pattern;
using rfprog::test::PortAccess;
using rfprog::test::PortTrace;
using rfprog::test::readFile;
using rfprog::test::sameTraffic;
using rfprog::test::toString;
using rfprog::test::Traffic;
using rfprog::test::writeFile;

// Deadline of every wait for the program. Passing runs take a fraction of it.
inline constexpr DWORD DefaultTimeoutMs = 10000;
// Deadline for a message that follows programming or loading the whole ROM: these
// operations are slow on a loaded machine (the simulator rewrites its memory file
// after every changed byte and traces every access).
inline constexpr DWORD LongOperationTimeoutMs = 60000;

// The main dialog's caption and the program's message caption.
inline constexpr const wchar_t* MainCaption = L"Программатор ПЗУ 573РФ2/573РФ5";
inline const std::wstring ProgramCaption = rfprog::test::wide(rfprog::ProgramCaption);

// Control identifiers of the main dialog, from the program's own definitions.
enum ControlId : int {
    IdOk = IDOK,
    IdCancel = IDCANCEL,
    IdFileName = IDC_FILENAME,
    IdCalibrate = IDC_CALIBRATE,
    IdWrite = IDC_WRITE,
    IdRead = IDC_READ,
    IdExtra = IDC_EXTRA,
    IdCompare = IDC_COMPARE,
    IdBlank = IDC_BLANK,
    IdFileOffset = IDC_FILE_OFFSET,
    IdFileOffsetLabel = IDC_FILE_OFFSET_LABEL,
    IdRomOffset = IDC_ROM_OFFSET,
    IdRomOffsetLabel = IDC_ROM_OFFSET_LABEL,
    IdLength = IDC_LENGTH,
    IdLengthLabel = IDC_LENGTH_LABEL,
    IdEmulator = IDC_EMULATOR,
};

// Settings of the simulated board (sim/inpout32_sim.cpp), put into the program's
// environment as RFPROG_SIM_*.
struct SimSettings {
    Bytes rom = Bytes(RomSize, 0xFF); // written to rom.bin in the test folder
    std::optional<Bytes> emulator;    // plugged in with this memory (emulator.bin)
    std::string timer;                // RFPROG_SIM_TIMER: "" (default), "never", or N
    std::string faults;               // RFPROG_SIM_FAULTS
    std::wstring romPathOverride;     // RFPROG_SIM_ROM instead of rom.bin (rom is then ignored)
    std::vector<std::wstring> more;   // further NAME=value settings, as given
};

struct MessageBoxInfo {
    HWND hwnd = nullptr;
    HWND owner = nullptr;
    std::wstring text;        // static control 0xFFFF
    std::wstring caption;     // window text of the box
    std::vector<int> buttons; // ids of the push buttons, in window order
    int defaultButton = 0;    // the button with BS_DEFPUSHBUTTON
    IconKind icon = IconKind::Unknown;
};

// A catalogue message's text as the program shows it.
inline std::wstring messageText(Message id) {
    return rfprog::test::wide(rfprog::messageEntry(id).text);
}

// "Программатор" etc. as UTF-8, for readable assertion messages.
std::string utf8(const std::wstring& text);

// Caption that MessageBoxW shows for a null caption on this system (found once by
// showing such a box in this process).
std::wstring systemDefaultCaption();

bool fileExists(const std::wstring& path);
// Names of the entries of a folder (no "." and "..").
std::vector<std::wstring> folderEntries(const std::wstring& folder);

// Polls predicate every few milliseconds until it holds or the deadline passes.
bool waitUntil(const std::function<bool()>& predicate, DWORD timeoutMs);

class RfprogProcess {
  public:
    RfprogProcess();  // creates the test folder
    ~RfprogProcess(); // ends the process if still running; removes the folder
    RfprogProcess(const RfprogProcess&) = delete;
    RfprogProcess& operator=(const RfprogProcess&) = delete;

    const std::wstring& folder() const { return folder_; }
    std::wstring path(const std::wstring& name) const { return folder_ + L"\\" + name; }

    // Starts rfprog.exe and waits for its main dialog; false (and a failure) otherwise.
    bool start(const SimSettings& settings = {});
    // Only creates the process; the caller waits for the dialog itself.
    bool launch(const SimSettings& settings);
    HWND waitDialog(DWORD timeoutMs = DefaultTimeoutMs);
    DWORD processId() const { return processId_; }
    bool running() const;

    HWND dialog() const { return dialog_; }
    HWND control(int id) const { return GetDlgItem(dialog_, id); }

    // WM_GETTEXT sent to a window of the program (works across processes).
    std::wstring text(HWND window) const;
    std::wstring text(int id) const { return text(control(id)); }
    // WM_SETTEXT sent to a control; false on a time-out.
    bool setText(int id, const std::wstring& text);
    bool isChecked(int id) const; // BM_GETCHECK
    bool isVisible(int id) const { return IsWindowVisible(control(id)) != FALSE; }

    // Posted WM_COMMAND(id, code) from the control id, as a button click sends it.
    void command(int id, WORD notification = BN_CLICKED);
    // Posted BM_CLICK to the button: the button itself notifies the dialog.
    void clickButton(int id);
    // BM_SETCHECK sent to a check box, then WM_COMMAND(id, BN_CLICKED) posted.
    bool setCheck(int id, bool checked);
    void post(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void pressKey(HWND window, WORD virtualKey); // posted WM_KEYDOWN and WM_KEYUP

    // Other top-level dialogs of the process (besides the main dialog) now visible.
    std::vector<HWND> otherDialogs() const;
    // Waits for a message box of the process and describes it.
    std::optional<MessageBoxInfo> waitMessageBox(DWORD timeoutMs = DefaultTimeoutMs);
    // True when no message box is up now.
    bool noMessageBox() const;
    // Presses a button of the box and waits until the box is gone.
    bool answer(const MessageBoxInfo& box, int button, DWORD timeoutMs = DefaultTimeoutMs);
    // The open-file dialog of the process and the text of its file-name field.
    HWND waitFileDialog(DWORD timeoutMs = DefaultTimeoutMs);
    std::wstring fileDialogName(HWND fileDialog) const;

    // Exit code, or nullopt when the process did not end in time.
    std::optional<DWORD> waitExit(DWORD timeoutMs = DefaultTimeoutMs);
    // Posts WM_CLOSE and waits for the exit; true when the exit code is 0.
    bool closeAndWait(DWORD timeoutMs = DefaultTimeoutMs);

    // The simulator's trace so far (empty on a read or parse failure, with a failure).
    PortTrace trace() const;
    std::wstring tracePath() const { return path(L"trace.txt"); }
    Bytes romFile() const { return readFile(path(L"rom.bin")); }
    Bytes emulatorFile() const { return readFile(path(L"emulator.bin")); }

  private:
    void terminate();

    std::wstring folder_;
    HANDLE process_ = nullptr;
    DWORD processId_ = 0;
    HWND dialog_ = nullptr;
};

} // namespace e2e
