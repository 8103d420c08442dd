#include "image/image_file.h"

#include <windows.h>

namespace rfprog {

namespace {

HANDLE openFile(const char16_t* name, DWORD access, DWORD sharing, DWORD disposition) {
    return CreateFileW(reinterpret_cast<const wchar_t*>(name), access, sharing, nullptr,
                       disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
}

// Positions the open file at fileOffset, makes the one transfer and closes the file.
// Only the count transferred decides; the call's own result is not consulted.
template <typename Transfer>
int transferBlock(HANDLE file, std::uint32_t fileOffset, std::size_t count, Transfer transfer) {
    if (file == INVALID_HANDLE_VALUE) {
        return ImageCannotOpen;
    }
    if (SetFilePointer(file, static_cast<LONG>(fileOffset), nullptr, FILE_BEGIN) ==
        INVALID_SET_FILE_POINTER) {
        CloseHandle(file);
        return ImageCannotOpen;
    }
    DWORD transferred = 0;
    transfer(file, static_cast<DWORD>(count), &transferred);
    CloseHandle(file);
    return transferred == count ? ImageTransferred : ImageShortTransfer;
}

} // namespace

int readImageBlock(const char16_t* name, std::span<std::uint8_t> buffer, std::uint32_t fileOffset) {
    // Other programs may go on reading the file meanwhile.
    return transferBlock(openFile(name, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING), fileOffset,
                         buffer.size(), [&](HANDLE file, DWORD count, DWORD* transferred) {
                             ReadFile(file, buffer.data(), count, transferred, nullptr);
                         });
}

int writeImageBlock(const char16_t* name, std::span<const std::uint8_t> buffer,
                    std::uint32_t fileOffset) {
    // No sharing, and OPEN_ALWAYS never truncates: the rest of the file stays as it was.
    return transferBlock(openFile(name, GENERIC_WRITE, 0, OPEN_ALWAYS), fileOffset, buffer.size(),
                         [&](HANDLE file, DWORD count, DWORD* transferred) {
                             WriteFile(file, buffer.data(), count, transferred, nullptr);
                         });
}

} // namespace rfprog
