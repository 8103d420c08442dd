// A drop-in port library (inpout32.dll, inpoutx64.dll in a 64-bit build) that puts the
// simulated board behind Out32/Inp32, so the real program runs unchanged without
// hardware. Settings come from the environment, read once when the library loads; a
// setting it does not understand stops the program from starting, with a message that
// names it, so that a test or a demo never runs on a board it did not ask for. The
// files are opened at the first port access (sim/board_host.h):
//   RFPROG_SIM_ROM       ROM image file (2 048 bytes); loaded at the first port access,
//                        written back on every change; without it the ROM starts erased
//                        and is not kept
//   RFPROG_SIM_EMULATOR  emulator memory file; when set, the emulator is plugged in
//   RFPROG_SIM_TIMER     status read after a pulse start that sees bit 7 (default 1),
//                        or "never" for a dead timer
//   RFPROG_SIM_FAULTS    comma-separated: absent, unprogrammable, nodriver, stuck0=HH,
//                        stuck1=HH, addr-stuck0=N, addr-stuck1=N, short=K-L, flaky=AAA:B
//   RFPROG_SIM_TRACE     trace file: one line per access, "W 37A 00" or "R 378 FF"
//   RFPROG_SIM_WINDOW    report file: once the program's dialog is up, the icons it set
//                        ("small=1 big=0"), seen from inside the program
// Relative file names are made absolute at load, so that the program's later changes
// of its current folder (the file dialog) do not move them. A memory file that can no
// longer be written after a change is reported once, in a message that names it; the
// program then goes on with the memory the board holds.
#include "sim/board_host.h"
#include "sim/sim_settings.h"

#include <windows.h>

#include <array>
#include <cstring>
#include <cwchar>
#include <span>
#include <string_view>

namespace {

using rfprog::sim::SimulatedBoard;

using Path = std::array<wchar_t, MAX_PATH>;

HANDLE createShared(const wchar_t* path) {
    return CreateFileW(path, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                       nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
}

// The trace file, created with the first line, once the board has opened its memories;
// written through, so that it is readable while the program runs.
class TraceFile final : public rfprog::TraceSink {
  public:
    Path path{};

    void traceLine(std::string_view line) override {
        if (!created_) {
            created_ = true;
            file_ = createShared(path.data());
        }
        if (file_ != INVALID_HANDLE_VALUE) {
            DWORD written = 0;
            WriteFile(file_, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
        }
    }

  private:
    HANDLE file_ = INVALID_HANDLE_VALUE;
    bool created_ = false;
};

struct SimulatedPort {
    rfprog::sim::BoardHost host;
    Path romPath{};
    Path emulatorPath{};
    TraceFile trace;
    Path windowReportPath{};
    bool windowReported = false;
    bool lossReported = false;
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

// Shows a setting and what is wrong with it, then what follows from that.
void complain(const char* variable, const wchar_t* value, const wchar_t* why,
              const wchar_t* consequence) {
    std::array<wchar_t, 1024> text{};
    append(text, variable);
    append(text, L"=\"");
    append(text, value);
    append(text, L"\": ");
    append(text, why);
    append(text, L".\r\n");
    append(text, consequence);
    MessageBoxW(nullptr, text.data(), RefusalCaption, MB_OK | MB_ICONERROR);
}

// Shows why the library refuses to load; the program then does not start.
void refuse(const char* variable, const wchar_t* value, const wchar_t* why) {
    std::array<wchar_t, 160> consequence{};
    append(consequence, L"The simulated board does not start: correct or unset ");
    append(consequence, variable);
    append(consequence, L".");
    complain(variable, value, why, consequence.data());
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
    if (!apply(Port.host.board, std::string_view(ascii.data(), length))) {
        refuse(name, value.data(), L"not understood");
        return false;
    }
    return true;
}

// The name as image/ takes it: wchar_t is UTF-16 here.
const char16_t* fileName(const Path& path) {
    return path[0] == 0 ? nullptr : reinterpret_cast<const char16_t*>(path.data());
}

// At load: every setting understood, and file names made absolute. The board opens its
// files at the first port access.
bool readSettings() {
    using namespace rfprog::sim;
    for (const BoardSetting& setting : BoardSettings) {
        if (!boardSetting(setting.variable, setting.apply)) {
            return false;
        }
    }
    if (!pathSetting(RomVariable, Port.romPath) ||
        !pathSetting(EmulatorVariable, Port.emulatorPath) ||
        !pathSetting(TraceVariable, Port.trace.path) ||
        !pathSetting(WindowReportVariable, Port.windowReportPath)) {
        return false;
    }
    Port.host.setUp(fileName(Port.romPath), fileName(Port.emulatorPath),
                    Port.trace.path[0] == 0 ? nullptr : &Port.trace);
    return true;
}

// Once, after a control write whose change a memory file did not take.
void reportLostFile() {
    using rfprog::sim::SimFile;
    const SimFile lost = Port.host.lostFile();
    if (lost == SimFile::None || Port.lossReported) {
        return;
    }
    Port.lossReported = true;
    const bool rom = lost == SimFile::Rom;
    complain(rom ? rfprog::sim::RomVariable : rfprog::sim::EmulatorVariable,
             (rom ? Port.romPath : Port.emulatorPath).data(), L"the file cannot be written",
             L"The simulated board goes on, but this file no longer holds its memory.");
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

// The first access, the start-up's idle write, comes before the window exists; the
// board opens its files then.
// A number outside 0..0xFFFF is no I/O port: it reaches nothing and is not traced, so a
// caller that garbles its addresses leaves a gap in the trace rather than a look-alike.
namespace {
bool isIoPort(int port) {
    return port >= 0 && port <= 0xFFFF;
}
} // namespace

extern "C" __declspec(dllexport) void __stdcall Out32(int port, int value) {
    reportWindow();
    if (!isIoPort(port)) {
        return;
    }
    Port.host.out(static_cast<std::uint16_t>(port), static_cast<std::uint8_t>(value));
    reportLostFile();
}

extern "C" __declspec(dllexport) int __stdcall Inp32(int port) {
    return isIoPort(port) ? Port.host.in(static_cast<std::uint16_t>(port)) : 0xFF;
}

// The library's driver check: 0 with the "nodriver" fault.
#ifndef RFPROG_SIM_NO_DRIVER_CHECK
extern "C" __declspec(dllexport) BOOL __stdcall IsInpOutDriverOpen() {
    return Port.host.board.faults.noDriver ? FALSE : TRUE;
}
#endif
