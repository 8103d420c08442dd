// A drop-in inpout32.dll that puts the simulated board behind Out32/Inp32, so the
// real program runs unchanged without hardware. Settings come from the environment:
//   RFPROG_SIM_ROM       ROM image file (2 048 bytes); loaded at start, written back on
//                        every change; without it the ROM starts erased and is not kept
//   RFPROG_SIM_EMULATOR  emulator memory file; when set, the emulator is plugged in
//   RFPROG_SIM_TIMER     status read after a pulse start that sees bit 7 (default 1),
//                        or "never" for a dead timer
//   RFPROG_SIM_FAULTS    comma-separated: absent, unprogrammable, stuck0=HH, stuck1=HH
//   RFPROG_SIM_TRACE     trace file: one line per access, "W 37A 00" or "R 378 FF"
#include "device/port_trace_line.h"
#include "sim/sim_settings.h"
#include "sim/simulated_board.h"

#include <windows.h>

#include <array>
#include <string>

namespace {

using rfprog::sim::SimulatedBoard;

struct SimulatedPort {
    SimulatedBoard board;
    std::array<wchar_t, MAX_PATH> romPath{};
    std::array<wchar_t, MAX_PATH> emulatorPath{};
    HANDLE trace = INVALID_HANDLE_VALUE;
};

SimulatedPort Port;
bool Started = false;

bool environment(const wchar_t* name, std::array<wchar_t, MAX_PATH>& value) {
    const DWORD length = GetEnvironmentVariableW(name, value.data(), MAX_PATH);
    return length > 0 && length < MAX_PATH;
}

std::string environment8(const char* name) {
    std::array<char, 256> value{};
    const DWORD length = GetEnvironmentVariableA(name, value.data(), value.size());
    return length > 0 && length < value.size() ? std::string(value.data(), length) : std::string();
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

void start() {
    Started = true;
    SimulatedBoard& board = Port.board;
    rfprog::sim::applySettings(board, environment8("RFPROG_SIM_TIMER"),
                               environment8("RFPROG_SIM_FAULTS"));
    if (environment(L"RFPROG_SIM_ROM", Port.romPath)) {
        loadMemory(Port.romPath.data(), board.rom);
        saveMemory(Port.romPath.data(), board.rom);
    }
    if (environment(L"RFPROG_SIM_EMULATOR", Port.emulatorPath)) {
        board.emulatorPlugged = true;
        loadMemory(Port.emulatorPath.data(), board.emulator);
        saveMemory(Port.emulatorPath.data(), board.emulator);
    }
    std::array<wchar_t, MAX_PATH> tracePath{};
    if (environment(L"RFPROG_SIM_TRACE", tracePath)) {
        Port.trace = CreateFileW(tracePath.data(), GENERIC_WRITE,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                 CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    }
}

void traceAccess(rfprog::PortAccess access, int port, std::uint8_t value) {
    if (Port.trace == INVALID_HANDLE_VALUE) {
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

} // namespace

extern "C" __declspec(dllexport) void __stdcall Out32(int port, int value) {
    if (!Started) {
        start();
    }
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
    if (!Started) {
        start();
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
