// A drop-in port library (inpout32.dll, inpoutx64.dll in a 64-bit build) that puts the
// simulated board behind Out32/Inp32, so the real program runs unchanged without
// hardware. Settings come from the environment, read once when the library loads; a
// setting it does not understand stops the program from starting, with a message that
// names it, so that a test or a demo never runs on a board it did not ask for. The
// files are opened at the first port access:
//   RFPROG_SIM_ROM       ROM image file (2 048 bytes); loaded at start, written back on
//                        every change; without it the ROM starts erased and is not kept
//   RFPROG_SIM_EMULATOR  emulator memory file; when set, the emulator is plugged in
//   RFPROG_SIM_TIMER     status read after a pulse start that sees bit 7 (default 1),
//                        or "never" for a dead timer
//   RFPROG_SIM_FAULTS    comma-separated: absent, unprogrammable, nodriver, stuck0=HH,
//                        stuck1=HH
//   RFPROG_SIM_TRACE     trace file: one line per access, "W 37A 00" or "R 378 FF"
//   RFPROG_SIM_WINDOW    report file: once the program's dialog is up, the icons it set
//                        ("small=1 big=0"), seen from inside the program
// Relative file names are made absolute at load, so that the program's later changes
// of its current folder (the file dialog) do not move them.
#include "device/port_trace_line.h"
#include "sim/sim_settings.h"
#include "sim/simulated_board.h"

#include <windows.h>

#include <array>
#include <cstring>
#include <cwchar>
#include <span>
#include <string_view>

namespace {

using rfprog::sim::SimulatedBoard;

using Path = std::array<wchar_t, MAX_PATH>;

struct SimulatedPort {
    SimulatedBoard board;
    Path romPath{};
    Path emulatorPath{};
    Path tracePath{};
    Path windowReportPath{};
    HANDLE trace = INVALID_HANDLE_VALUE;
    bool opened = false; // memories loaded and trace created, at the first port access
    bool windowReported = false;
};

SimulatedPort Port;

constexpr const wchar_t* RefusalCaption = L"Simulated programmer board";

// Appends text to a zero-terminated buffer, cutting it at the end of the buffer.
template <typename Char>
void append(std::span<wchar_t> buffer, const Char* text) {
    std::size_t at = std::wcslen(buffer.data());
    for (; *text != 0 && at + 1 < buffer.size(); ++text, ++at) {
        buffer[at] = static_cast<wchar_t>(*text);
    }
    buffer[at] = 0;
}

// Shows why the library refuses to load; the program then does not start.
void refuse(const char* variable, const wchar_t* value, const wchar_t* why) {
    std::array<wchar_t, 1024> text{};
    append(text, variable);
    append(text, L"=\"");
    append(text, value);
    append(text, L"\": ");
    append(text, why);
    append(text, L".\r\nThe simulated board does not start: correct or unset ");
    append(text, variable);
    append(text, L".");
    MessageBoxW(nullptr, text.data(), RefusalCaption, MB_OK | MB_ICONERROR);
}

// The variable's value; false when it is too long to be any valid setting.
bool environment(const char* name, std::span<wchar_t> value) {
    std::array<wchar_t, 64> wideName{};
    append(wideName, name);
    const DWORD length =
        GetEnvironmentVariableW(wideName.data(), value.data(), static_cast<DWORD>(value.size()));
    if (length >= value.size()) {
        value[0] = 0;
        return false;
    }
    value[length] = 0;
    return true;
}

// A file-name setting made absolute; false when it is too long.
bool pathSetting(const char* name, Path& path) {
    Path given{};
    if (!environment(name, given)) {
        refuse(name, L"...", L"the file name is too long");
        return false;
    }
    if (given[0] == 0) {
        return true;
    }
    const DWORD length = GetFullPathNameW(given.data(), MAX_PATH, path.data(), nullptr);
    if (length == 0 || length >= MAX_PATH) {
        refuse(name, given.data(), L"not a usable file name");
        return false;
    }
    return true;
}

// A text setting for the board, in ASCII; false (refused) when it is not understood.
bool boardSetting(const char* name, bool (*apply)(SimulatedBoard&, std::string_view)) {
    std::array<wchar_t, 256> value{};
    if (!environment(name, value)) {
        refuse(name, L"...", L"the value is too long");
        return false;
    }
    std::array<char, 256> ascii{};
    std::size_t length = 0;
    for (; value[length] != 0; ++length) {
        if (value[length] > 0x7E) {
            refuse(name, value.data(), L"not understood");
            return false;
        }
        ascii[length] = static_cast<char>(value[length]);
    }
    if (!apply(Port.board, std::string_view(ascii.data(), length))) {
        refuse(name, value.data(), L"not understood");
        return false;
    }
    return true;
}

void loadMemory(const wchar_t* path, rfprog::sim::RomImage& memory) {
    HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return;
    }
    DWORD read = 0;
    ReadFile(file, memory.data(), memory.size(), &read, nullptr);
    CloseHandle(file);
}

void saveMemory(const wchar_t* path, const rfprog::sim::RomImage& memory) {
    HANDLE file = CreateFileW(path, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return;
    }
    DWORD written = 0;
    WriteFile(file, memory.data(), memory.size(), &written, nullptr);
    CloseHandle(file);
}

HANDLE createShared(const wchar_t* path) {
    return CreateFileW(path, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                       nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
}

// At load: every setting understood, and file names made absolute.
bool readSettings() {
    using namespace rfprog::sim;
    return boardSetting(TimerVariable, applyTimerSetting) &&
           boardSetting(FaultsVariable, applyFaultsSetting) &&
           pathSetting(RomVariable, Port.romPath) &&
           pathSetting(EmulatorVariable, Port.emulatorPath) &&
           pathSetting(TraceVariable, Port.tracePath) &&
           pathSetting(WindowReportVariable, Port.windowReportPath);
}

// At the first port access, as a board is first seen when the program touches the port.
void open() {
    Port.opened = true;
    SimulatedBoard& board = Port.board;
    if (Port.romPath[0] != 0) {
        loadMemory(Port.romPath.data(), board.rom);
        saveMemory(Port.romPath.data(), board.rom);
    }
    if (Port.emulatorPath[0] != 0) {
        board.emulatorPlugged = true;
        loadMemory(Port.emulatorPath.data(), board.emulator);
        saveMemory(Port.emulatorPath.data(), board.emulator);
    }
    if (Port.tracePath[0] != 0) {
        Port.trace = createShared(Port.tracePath.data());
    }
}

// A number outside 0..0xFFFF is no I/O port: it reaches nothing and is not traced, so a
// caller that garbles its addresses leaves a gap in the trace rather than a look-alike.
void traceAccess(rfprog::PortAccess access, int port, std::uint8_t value) {
    if (Port.trace == INVALID_HANDLE_VALUE || port < 0 || port > 0xFFFF) {
        return;
    }
    const rfprog::PortTraceLine line(access, static_cast<std::uint16_t>(port), value);
    DWORD written = 0;
    WriteFile(Port.trace, line.text().data(), static_cast<DWORD>(line.text().size()), &written,
              nullptr);
}

void saveChanges() {
    if (Port.board.takeRomChanged() && Port.romPath[0] != 0) {
        saveMemory(Port.romPath.data(), Port.board.rom);
    }
    if (Port.board.takeEmulatorChanged() && Port.emulatorPath[0] != 0) {
        saveMemory(Port.emulatorPath.data(), Port.board.emulator);
    }
}

BOOL CALLBACK findVisibleDialog(HWND window, LPARAM found) {
    std::array<wchar_t, 16> className{};
    GetClassNameW(window, className.data(), static_cast<int>(className.size()));
    if (IsWindowVisible(window) && std::wcscmp(className.data(), L"#32770") == 0) {
        *reinterpret_cast<HWND*>(found) = window;
        return FALSE;
    }
    return TRUE;
}

// Port accesses come from the program's own thread, inside its dialog procedure once
// the window is up: from here its icons can be asked as the system sees them.
void reportWindow() {
    if (Port.windowReported || Port.windowReportPath[0] == 0) {
        return;
    }
    HWND dialog = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), findVisibleDialog, reinterpret_cast<LPARAM>(&dialog));
    if (dialog == nullptr) {
        return;
    }
    Port.windowReported = true;
    const bool small = SendMessageW(dialog, WM_GETICON, ICON_SMALL, 0) != 0;
    const bool big = SendMessageW(dialog, WM_GETICON, ICON_BIG, 0) != 0;
    const char* text = small ? (big ? "small=1 big=1\n" : "small=1 big=0\n")
                             : (big ? "small=0 big=1\n" : "small=0 big=0\n");
    HANDLE file = createShared(Port.windowReportPath.data());
    if (file != INVALID_HANDLE_VALUE) {
        DWORD written = 0;
        WriteFile(file, text, static_cast<DWORD>(std::strlen(text)), &written, nullptr);
        CloseHandle(file);
    }
}

} // namespace

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
    return reason == DLL_PROCESS_ATTACH ? (readSettings() ? TRUE : FALSE) : TRUE;
}

extern "C" __declspec(dllexport) void __stdcall Out32(int port, int value) {
    if (!Port.opened) {
        open();
    }
    reportWindow();
    const auto written = static_cast<std::uint8_t>(value);
    traceAccess(rfprog::PortAccess::Write, port, written);
    if (port == rfprog::ControlRegister) {
        Port.board.writeControl(static_cast<rfprog::ControlValue>(written));
        saveChanges();
    } else if (port == rfprog::DataRegister) {
        Port.board.writeData(written);
    }
}

extern "C" __declspec(dllexport) int __stdcall Inp32(int port) {
    if (!Port.opened) {
        open();
    }
    std::uint8_t value = 0xFF;
    if (port == rfprog::DataRegister) {
        value = Port.board.readData();
    } else if (port == rfprog::StatusRegister) {
        value = Port.board.readStatus();
    }
    traceAccess(rfprog::PortAccess::Read, port, value);
    return value;
}

// The library's driver check: 0 with the "nodriver" fault.
#ifndef RFPROG_SIM_NO_DRIVER_CHECK
extern "C" __declspec(dllexport) BOOL __stdcall IsInpOutDriverOpen() {
    return Port.board.faults.noDriver ? FALSE : TRUE;
}
#endif
