#include "tests/e2e/rfprog_process.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <thread>

namespace e2e {

namespace {

constexpr int MessageBoxTextId = 0xFFFF;
constexpr int FileNameComboId = 0x47C; // cmb13: the file-name field of the open-file dialog
constexpr int FileNameEditId = 0x480;  // edt1: the same in the older dialog template
// Messages are sent without SMTO_ABORTIFHUNG: a program that has just spent more than
// 5 s on the board counts as hung until its next message box pumps messages.
constexpr DWORD SendTimeoutMs = 5000;
constexpr DWORD PollMs = 5;

std::wstring moduleFolder() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length =
            GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length < path.size()) {
            path.resize(length);
            break;
        }
        path.resize(path.size() * 2);
    }
    return path.substr(0, path.find_last_of(L"\\/"));
}

std::wstring className(HWND window) {
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    return name;
}

DWORD windowProcess(HWND window) {
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    return process;
}

std::wstring windowCaption(HWND window) {
    const int length = GetWindowTextLengthW(window);
    std::wstring caption(static_cast<std::size_t>(length) + 1, L'\0');
    caption.resize(static_cast<std::size_t>(GetWindowTextW(window, caption.data(), length + 1)));
    return caption;
}

struct DialogSearch {
    DWORD processId;
    std::vector<HWND> found;
};

BOOL CALLBACK collectDialog(HWND window, LPARAM parameter) {
    auto* search = reinterpret_cast<DialogSearch*>(parameter);
    if (windowProcess(window) == search->processId && IsWindowVisible(window) &&
        className(window) == L"#32770") {
        search->found.push_back(window);
    }
    return TRUE;
}

// Visible top-level dialogs ("#32770") of a process.
std::vector<HWND> processDialogs(DWORD processId) {
    DialogSearch search{processId, {}};
    EnumWindows(collectDialog, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

BOOL CALLBACK findThreadDialog(HWND window, LPARAM parameter) {
    if (className(window) == L"#32770" && IsWindowVisible(window)) {
        *reinterpret_cast<HWND*>(parameter) = window;
        return FALSE;
    }
    return TRUE;
}

bool isMessageBox(HWND window) {
    HWND text = GetDlgItem(window, MessageBoxTextId);
    return text != nullptr && className(text) == L"Static";
}

std::wstring sentText(HWND window) {
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutW(window, WM_GETTEXTLENGTH, 0, 0, SMTO_NORMAL, SendTimeoutMs, &length)) {
        ADD_FAILURE() << "WM_GETTEXTLENGTH timed out";
        return {};
    }
    std::wstring text(length + 1, L'\0');
    DWORD_PTR copied = 0;
    if (!SendMessageTimeoutW(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()),
                             SMTO_NORMAL, SendTimeoutMs, &copied)) {
        ADD_FAILURE() << "WM_GETTEXT timed out";
        return {};
    }
    text.resize(copied);
    return text;
}

void removeFolder(const std::wstring& folder) {
    for (const std::wstring& name : folderEntries(folder)) {
        const std::wstring path = folder + L"\\" + name;
        const DWORD attributes = GetFileAttributesW(path.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
            removeFolder(path);
        } else {
            SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
            DeleteFileW(path.c_str());
        }
    }
    RemoveDirectoryW(folder.c_str());
}

// The environment block for the program: ours without any RFPROG_SIM_*, plus the settings.
std::vector<wchar_t> environmentBlock(const std::vector<std::wstring>& settings) {
    std::vector<wchar_t> block;
    wchar_t* own = GetEnvironmentStringsW();
    for (const wchar_t* entry = own; entry != nullptr && *entry != L'\0';
         entry += wcslen(entry) + 1) {
        if (_wcsnicmp(entry, L"RFPROG_SIM_", 11) != 0) {
            block.insert(block.end(), entry, entry + wcslen(entry) + 1);
        }
    }
    if (own != nullptr) {
        FreeEnvironmentStringsW(own);
    }
    for (const std::wstring& setting : settings) {
        block.insert(block.end(), setting.begin(), setting.end());
        block.push_back(L'\0');
    }
    block.push_back(L'\0');
    return block;
}

std::wstring widen(const std::string& text) {
    return std::wstring(text.begin(), text.end());
}

} // namespace

std::string utf8(const std::wstring& text) {
    if (text.empty()) {
        return {};
    }
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                         nullptr, 0, nullptr, nullptr);
    std::string result(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), result.data(), size,
                        nullptr, nullptr);
    return result;
}

std::wstring systemDefaultCaption() {
    static const std::wstring caption = [] {
        std::atomic<DWORD> threadId{0};
        std::thread shower([&] {
            threadId = GetCurrentThreadId();
            MessageBoxW(nullptr, L"rfprog e2e: default caption probe", nullptr, MB_OK);
        });
        HWND box = nullptr;
        waitUntil(
            [&] {
                if (threadId == 0) {
                    return false;
                }
                EnumThreadWindows(threadId, findThreadDialog, reinterpret_cast<LPARAM>(&box));
                return box != nullptr;
            },
            DefaultTimeoutMs);
        std::wstring text = box != nullptr ? windowCaption(box) : std::wstring();
        if (box != nullptr) {
            PostMessageW(box, WM_COMMAND, IDOK, 0);
        }
        shower.join();
        return text;
    }();
    return caption;
}

bool fileExists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::vector<std::wstring> folderEntries(const std::wstring& folder) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW entry;
    HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE) {
        return names;
    }
    do {
        const std::wstring name = entry.cFileName;
        if (name != L"." && name != L"..") {
            names.push_back(name);
        }
    } while (FindNextFileW(search, &entry));
    FindClose(search);
    return names;
}

bool waitUntil(const std::function<bool()>& predicate, DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    for (;;) {
        if (predicate()) {
            return true;
        }
        if (GetTickCount() - start >= timeoutMs) {
            return predicate();
        }
        Sleep(PollMs);
    }
}

RfprogProcess::RfprogProcess() {
    static int counter = 0;
    wchar_t temp[MAX_PATH + 1] = {};
    GetTempPathW(MAX_PATH + 1, temp);
    std::wstring base = temp;
    if (!base.empty() && base.back() == L'\\') {
        base.pop_back();
    }
    for (;;) {
        folder_ = base + L"\\rfprog-e2e-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                  std::to_wstring(++counter);
        if (CreateDirectoryW(folder_.c_str(), nullptr)) {
            break;
        }
        if (GetLastError() != ERROR_ALREADY_EXISTS) {
            ADD_FAILURE() << "cannot create the test folder " << utf8(folder_);
            break;
        }
    }
}

RfprogProcess::~RfprogProcess() {
    terminate();
    if (::testing::Test::HasFailure()) {
        std::printf("[ e2e      ] test folder kept: %s\n", utf8(folder_).c_str());
    } else {
        removeFolder(folder_);
    }
}

void RfprogProcess::terminate() {
    if (process_ == nullptr) {
        return;
    }
    if (WaitForSingleObject(process_, 0) == WAIT_TIMEOUT) {
        ADD_FAILURE() << "rfprog.exe was still running at the end of the test; terminated";
        TerminateProcess(process_, 0xDEAD);
        WaitForSingleObject(process_, 5000);
    }
    CloseHandle(process_);
    process_ = nullptr;
}

bool RfprogProcess::launch(const SimSettings& settings) {
    std::vector<std::wstring> variables;
    if (settings.romPathOverride.empty()) {
        if (!writeFile(path(L"rom.bin"), settings.rom)) {
            ADD_FAILURE() << "cannot write the ROM file";
            return false;
        }
        variables.push_back(L"RFPROG_SIM_ROM=" + path(L"rom.bin"));
    } else {
        variables.push_back(L"RFPROG_SIM_ROM=" + settings.romPathOverride);
    }
    if (settings.emulator) {
        if (!writeFile(path(L"emulator.bin"), *settings.emulator)) {
            ADD_FAILURE() << "cannot write the emulator file";
            return false;
        }
        variables.push_back(L"RFPROG_SIM_EMULATOR=" + path(L"emulator.bin"));
    }
    if (!settings.timer.empty()) {
        variables.push_back(L"RFPROG_SIM_TIMER=" + widen(settings.timer));
    }
    if (!settings.faults.empty()) {
        variables.push_back(L"RFPROG_SIM_FAULTS=" + widen(settings.faults));
    }
    variables.push_back(L"RFPROG_SIM_TRACE=" + tracePath());
    variables.insert(variables.end(), settings.more.begin(), settings.more.end());
    std::vector<wchar_t> environment = environmentBlock(variables);

    const std::wstring program = moduleFolder() + L"\\rfprog.exe";
    std::wstring commandLine = L"\"" + program + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE,
                        CREATE_UNICODE_ENVIRONMENT, environment.data(), folder_.c_str(), &startup,
                        &info)) {
        ADD_FAILURE() << "CreateProcessW(" << utf8(program) << ") failed: " << GetLastError();
        return false;
    }
    CloseHandle(info.hThread);
    process_ = info.hProcess;
    processId_ = info.dwProcessId;
    return true;
}

bool RfprogProcess::start(const SimSettings& settings) {
    return launch(settings) && waitDialog() != nullptr;
}

HWND RfprogProcess::waitDialog(DWORD timeoutMs) {
    waitUntil(
        [&] {
            for (HWND window : processDialogs(processId_)) {
                if (windowCaption(window) == MainCaption) {
                    dialog_ = window;
                    return true;
                }
            }
            return !running();
        },
        timeoutMs);
    if (dialog_ == nullptr) {
        ADD_FAILURE() << "the main dialog of rfprog.exe did not appear"
                      << (running() ? "" : " (the process has ended)");
    }
    return dialog_;
}

bool RfprogProcess::running() const {
    return process_ != nullptr && WaitForSingleObject(process_, 0) == WAIT_TIMEOUT;
}

std::wstring RfprogProcess::text(HWND window) const {
    if (window == nullptr) {
        ADD_FAILURE() << "no such window";
        return {};
    }
    return sentText(window);
}

bool RfprogProcess::setText(int id, const std::wstring& text) {
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutW(control(id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()),
                             SMTO_NORMAL, SendTimeoutMs, &result)) {
        ADD_FAILURE() << "WM_SETTEXT to control " << id << " timed out";
        return false;
    }
    return true;
}

bool RfprogProcess::isChecked(int id) const {
    DWORD_PTR state = 0;
    if (!SendMessageTimeoutW(control(id), BM_GETCHECK, 0, 0, SMTO_NORMAL, SendTimeoutMs, &state)) {
        ADD_FAILURE() << "BM_GETCHECK to control " << id << " timed out";
    }
    return state == BST_CHECKED;
}

void RfprogProcess::post(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (!PostMessageW(window, message, wParam, lParam)) {
        ADD_FAILURE() << "PostMessageW(" << message << ") failed: " << GetLastError();
    }
}

void RfprogProcess::command(int id, WORD notification) {
    post(dialog_, WM_COMMAND, MAKEWPARAM(id, notification), reinterpret_cast<LPARAM>(control(id)));
}

void RfprogProcess::clickButton(int id) {
    post(control(id), BM_CLICK, 0, 0);
}

bool RfprogProcess::setCheck(int id, bool checked) {
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutW(control(id), BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0,
                             SMTO_NORMAL, SendTimeoutMs, &result)) {
        ADD_FAILURE() << "BM_SETCHECK to control " << id << " timed out";
        return false;
    }
    command(id);
    return true;
}

void RfprogProcess::pressKey(HWND window, WORD virtualKey) {
    const UINT scanCode = MapVirtualKeyW(virtualKey, 0 /* MAPVK_VK_TO_VSC */);
    post(window, WM_KEYDOWN, virtualKey, static_cast<LPARAM>(1 | scanCode << 16));
    // A key that closes the window (Esc, Enter on a default button) may have done so
    // before its key-up is posted: the key-up then has no window to go to.
    if (!PostMessageW(window, WM_KEYUP, virtualKey,
                      static_cast<LPARAM>(1 | scanCode << 16 | 0xC0000000u)) &&
        GetLastError() != ERROR_INVALID_WINDOW_HANDLE) {
        ADD_FAILURE() << "PostMessageW(WM_KEYUP) failed: " << GetLastError();
    }
}

std::vector<HWND> RfprogProcess::otherDialogs() const {
    std::vector<HWND> others;
    for (HWND window : processDialogs(processId_)) {
        if (window != dialog_) {
            others.push_back(window);
        }
    }
    return others;
}

std::optional<MessageBoxInfo> RfprogProcess::waitMessageBox(DWORD timeoutMs) {
    HWND box = nullptr;
    waitUntil(
        [&] {
            for (HWND window : otherDialogs()) {
                if (isMessageBox(window)) {
                    box = window;
                    return true;
                }
            }
            return !running();
        },
        timeoutMs);
    if (box == nullptr) {
        ADD_FAILURE() << "no message box appeared within " << timeoutMs << " ms"
                      << (running() ? "" : " (the process has ended)");
        return std::nullopt;
    }
    MessageBoxInfo info;
    info.hwnd = box;
    info.owner = GetWindow(box, GW_OWNER);
    info.caption = windowCaption(box);
    info.text = sentText(GetDlgItem(box, MessageBoxTextId));
    for (HWND child = GetWindow(box, GW_CHILD); child != nullptr;
         child = GetWindow(child, GW_HWNDNEXT)) {
        const LONG style = GetWindowLongW(child, GWL_STYLE);
        if (className(child) == L"Button" && (style & WS_VISIBLE) != 0) {
            info.buttons.push_back(GetDlgCtrlID(child));
            if ((style & BS_TYPEMASK) == BS_DEFPUSHBUTTON) {
                info.defaultButton = GetDlgCtrlID(child);
            }
        }
    }
    info.icon = messageBoxIcon(box, 5000); // until the box has been painted
    return info;
}

bool RfprogProcess::noMessageBox() const {
    for (HWND window : otherDialogs()) {
        if (isMessageBox(window)) {
            return false;
        }
    }
    return true;
}

bool RfprogProcess::answer(const MessageBoxInfo& box, int button, DWORD timeoutMs) {
    post(box.hwnd, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
         reinterpret_cast<LPARAM>(GetDlgItem(box.hwnd, button)));
    if (!waitUntil([&] { return !IsWindow(box.hwnd) || !IsWindowVisible(box.hwnd); }, timeoutMs)) {
        ADD_FAILURE() << "the message box \"" << utf8(box.text) << "\" did not close on button "
                      << button;
        return false;
    }
    return true;
}

HWND RfprogProcess::waitFileDialog(DWORD timeoutMs) {
    HWND found = nullptr;
    waitUntil(
        [&] {
            for (HWND window : otherDialogs()) {
                if (!isMessageBox(window) && (GetDlgItem(window, FileNameComboId) != nullptr ||
                                              GetDlgItem(window, FileNameEditId) != nullptr)) {
                    found = window;
                    return true;
                }
            }
            return !running();
        },
        timeoutMs);
    if (found == nullptr) {
        ADD_FAILURE() << "no open-file dialog appeared within " << timeoutMs << " ms";
    }
    return found;
}

std::wstring RfprogProcess::fileDialogName(HWND fileDialog) const {
    HWND field = GetDlgItem(fileDialog, FileNameComboId);
    if (field == nullptr) {
        field = GetDlgItem(fileDialog, FileNameEditId);
    }
    return text(field);
}

std::optional<DWORD> RfprogProcess::waitExit(DWORD timeoutMs) {
    if (process_ == nullptr || WaitForSingleObject(process_, timeoutMs) != WAIT_OBJECT_0) {
        return std::nullopt;
    }
    DWORD code = 0;
    GetExitCodeProcess(process_, &code);
    return code;
}

bool RfprogProcess::closeAndWait(DWORD timeoutMs) {
    // A message box still up here is one too many: report it and dismiss it, so that the
    // test ends quickly and says what the program showed.
    for (int extra = 0; extra < 5; ++extra) {
        HWND box = nullptr;
        for (HWND window : otherDialogs()) {
            if (isMessageBox(window)) {
                box = window;
            }
        }
        if (box == nullptr) {
            break;
        }
        ADD_FAILURE() << "unexpected message box \""
                      << utf8(sentText(GetDlgItem(box, MessageBoxTextId)))
                      << "\" still up when the program was to be closed";
        DWORD_PTR defaultId = 0;
        SendMessageTimeoutW(box, DM_GETDEFID, 0, 0, SMTO_NORMAL, SendTimeoutMs, &defaultId);
        const WORD button = HIWORD(defaultId) == DC_HASDEFID ? LOWORD(defaultId) : IDOK;
        post(box, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
        waitUntil([&] { return !IsWindow(box) || !IsWindowVisible(box); }, SendTimeoutMs);
    }
    post(dialog_, WM_CLOSE, 0, 0);
    const auto code = waitExit(timeoutMs);
    if (!code) {
        ADD_FAILURE() << "rfprog.exe did not end after WM_CLOSE";
        return false;
    }
    if (*code != 0) {
        ADD_FAILURE() << "rfprog.exe ended with exit code " << *code;
        return false;
    }
    return true;
}

PortTrace RfprogProcess::trace() const {
    bool exists = false;
    const Bytes bytes = readFile(tracePath(), &exists);
    if (!exists) {
        ADD_FAILURE() << "no trace file";
        return {};
    }
    std::string error;
    auto parsed = PortTrace::parse(
        std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()), &error);
    if (!parsed) {
        ADD_FAILURE() << "bad trace " << error;
        return {};
    }
    return *parsed;
}

} // namespace e2e
