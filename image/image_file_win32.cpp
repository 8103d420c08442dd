#include "image/image_file.h"

#include <windows.h>

namespace rfprog {

namespace {

const wchar_t* wide(const char16_t* name) {
    return reinterpret_cast<const wchar_t*>(name);
}

bool positionAt(HANDLE file, std::uint32_t fileOffset) {
    return SetFilePointer(file, static_cast<LONG>(fileOffset), nullptr, FILE_BEGIN) !=
           INVALID_SET_FILE_POINTER;
}

int transferResult(DWORD transferred, std::size_t count) {
    return transferred == count ? ImageTransferred : ImageShortTransfer;
}

} // namespace

int readImageBlock(const char16_t* name, std::span<std::uint8_t> buffer, std::uint32_t fileOffset) {
    HANDLE file = CreateFileW(wide(name), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return ImageCannotOpen;
    }
    if (!positionAt(file, fileOffset)) {
        CloseHandle(file);
        return ImageCannotOpen;
    }
    DWORD transferred = 0;
    // Only the count decides; the call's own result is not consulted.
    ReadFile(file, buffer.data(), static_cast<DWORD>(buffer.size()), &transferred, nullptr);
    CloseHandle(file);
    return transferResult(transferred, buffer.size());
}

int writeImageBlock(const char16_t* name, std::span<const std::uint8_t> buffer,
                    std::uint32_t fileOffset) {
    HANDLE file = CreateFileW(wide(name), GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return ImageCannotOpen;
    }
    if (!positionAt(file, fileOffset)) {
        CloseHandle(file);
        return ImageCannotOpen;
    }
    DWORD transferred = 0;
    WriteFile(file, buffer.data(), static_cast<DWORD>(buffer.size()), &transferred, nullptr);
    CloseHandle(file);
    return transferResult(transferred, buffer.size());
}

} // namespace rfprog
