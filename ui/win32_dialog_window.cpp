#include "ui/win32_dialog_window.h"

#include "ui/program_state.h"

#include <commdlg.h>

namespace rfprog {

namespace {

const wchar_t* wide(const char16_t* text) {
    return reinterpret_cast<const wchar_t*>(text);
}

// The open-file record, filled at build time but for the two handles. Its size is the
// oldest form, which every Windows version accepts: 76 bytes in the 32-bit program.
OPENFILENAMEW OpenFileRecord = {
    OPENFILENAME_SIZE_VERSION_400W,
    nullptr, // owner: the main dialog
    nullptr, // instance: set at start-up
    L"Бинарные файлы (*.bin,*.rom)\0*.bin;*.rom\0Все файлы\0*.*\0",
    nullptr,
    0,
    0,
    reinterpret_cast<wchar_t*>(FileNameBuffer.data()), // the buffer every browse passes
    FileNameBufferSize,
    nullptr,
    0,
    L".\\",
    nullptr,
    OFN_HIDEREADONLY,
    0,
    0,
    nullptr,
    0,
    nullptr,
    nullptr,
    nullptr, // the fields past the 76 bytes are not looked at
    0,
    0,
};

// The message-box style of each kind, in MessageKind order.
constexpr UINT MessageStyles[] = {
    MB_OK,                                     // Info
    MB_OK | MB_ICONERROR,                      // Error
    MB_OK | MB_ICONWARNING,                    // Warning
    MB_YESNO | MB_DEFBUTTON2,                  // Question
    MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2, // WarningQuestion
};
static_assert(MessageStyles[static_cast<int>(MessageKind::Question)] == 0x104);
static_assert(MessageStyles[static_cast<int>(MessageKind::WarningQuestion)] == 0x134);

Answer answerOf(int button) {
    switch (button) {
    case IDOK:
        return Answer::Ok;
    case IDYES:
        return Answer::Yes;
    case IDNO:
        return Answer::No;
    default:
        return Answer::Other;
    }
}

} // namespace

void Win32DialogWindow::setInstance(HINSTANCE instance) {
    OpenFileRecord.hInstance = instance;
}

void Win32DialogWindow::setOwner(HWND dialog) {
    OpenFileRecord.hwndOwner = dialog;
}

std::size_t Win32DialogWindow::fieldText(int id, std::span<char16_t> buffer) {
    return GetDlgItemTextW(dialog_, id, reinterpret_cast<wchar_t*>(buffer.data()),
                           static_cast<int>(buffer.size()));
}

std::size_t Win32DialogWindow::fieldText8(int id, std::span<char> buffer) {
    return GetDlgItemTextA(dialog_, id, buffer.data(), static_cast<int>(buffer.size()));
}

void Win32DialogWindow::setFieldText(int id, const char16_t* text) {
    SetDlgItemTextW(dialog_, id, wide(text));
}

bool Win32DialogWindow::isChecked(int id) {
    return IsDlgButtonChecked(dialog_, id) != 0;
}

bool Win32DialogWindow::isCommandSourceChecked() {
    return SendMessageW(source_, BM_GETCHECK, 0, 0) != 0;
}

void Win32DialogWindow::showControl(int id, bool visible) {
    ShowWindow(GetDlgItem(dialog_, id), visible ? SW_SHOW : SW_HIDE);
}

Answer Win32DialogWindow::messageBox(const char16_t* text, const char16_t* caption,
                                     MessageKind kind) {
    return answerOf(MessageBoxW(dialog_, wide(text), caption == nullptr ? nullptr : wide(caption),
                                MessageStyles[static_cast<int>(kind)]));
}

bool Win32DialogWindow::browseForFile(std::span<char16_t> fileName) {
    OpenFileRecord.lpstrFile = reinterpret_cast<wchar_t*>(fileName.data());
    OpenFileRecord.nMaxFile = static_cast<DWORD>(fileName.size());
    return GetOpenFileNameW(&OpenFileRecord) != 0;
}

void Win32DialogWindow::endDialog() {
    EndDialog(dialog_, 0);
}

} // namespace rfprog
