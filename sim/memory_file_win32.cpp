#include "sim/memory_file.h"

#include <windows.h>

namespace rfprog::sim {

// Shared for reading and writing, so that other programs may hold the file meanwhile.
void loadMemory(const FileNameChar* name, RomImage& memory) {
    HANDLE file = CreateFileW(reinterpret_cast<const wchar_t*>(name), GENERIC_READ,
                              FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return;
    }
    DWORD read = 0;
    ReadFile(file, memory.data(), static_cast<DWORD>(memory.size()), &read, nullptr);
    CloseHandle(file);
}

} // namespace rfprog::sim
