#include "cli/platform.h"

#include <windows.h>

namespace rfprog::cli {

bool toFileName(std::string_view name, FileName& fileName) {
    if (name.empty()) {
        return false;
    }
    const int count = MultiByteToWideChar(
        CP_UTF8, MB_ERR_INVALID_CHARS, name.data(), static_cast<int>(name.size()),
        reinterpret_cast<wchar_t*>(fileName.data()), static_cast<int>(fileName.size() - 1));
    if (count <= 0) {
        return false;
    }
    fileName[static_cast<std::size_t>(count)] = 0;
    return true;
}

WholeFileRead readWholeFile(std::string_view name, std::span<std::uint8_t> buffer,
                            std::size_t& size) {
    size = 0;
    FileName wide{};
    if (!toFileName(name, wide)) {
        return WholeFileRead::CannotRead;
    }
    HANDLE file =
        CreateFileW(reinterpret_cast<const wchar_t*>(wide.data()), GENERIC_READ, FILE_SHARE_READ,
                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND
                   ? WholeFileRead::Missing
                   : WholeFileRead::CannotRead;
    }
    WholeFileRead result = WholeFileRead::Read;
    while (size < buffer.size()) {
        DWORD got = 0;
        if (ReadFile(file, buffer.data() + size, static_cast<DWORD>(buffer.size() - size), &got,
                     nullptr) == 0) {
            result = WholeFileRead::CannotRead;
            break;
        }
        if (got == 0) {
            break;
        }
        size += got;
    }
    std::uint8_t more = 0;
    DWORD extra = 0;
    if (result == WholeFileRead::Read && size == buffer.size() &&
        (ReadFile(file, &more, 1, &extra, nullptr) == 0 || extra != 0)) {
        result = WholeFileRead::TooLarge;
    }
    CloseHandle(file);
    return result;
}

namespace {

// The volume and index of an existing file or folder; false when it cannot be opened.
bool fileIdentity(std::string_view name, BY_HANDLE_FILE_INFORMATION& info) {
    FileName wide{};
    if (!toFileName(name, wide)) {
        return false;
    }
    HANDLE file = CreateFileW(reinterpret_cast<const wchar_t*>(wide.data()), 0,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    const bool known = GetFileInformationByHandle(file, &info) != 0;
    CloseHandle(file);
    return known;
}

} // namespace

bool sameFile(std::string_view first, std::string_view second) {
    BY_HANDLE_FILE_INFORMATION firstInfo{};
    BY_HANDLE_FILE_INFORMATION secondInfo{};
    if (fileIdentity(first, firstInfo) && fileIdentity(second, secondInfo)) {
        return firstInfo.dwVolumeSerialNumber == secondInfo.dwVolumeSerialNumber &&
               firstInfo.nFileIndexHigh == secondInfo.nFileIndexHigh &&
               firstInfo.nFileIndexLow == secondInfo.nFileIndexLow;
    }
    return first == second;
}

bool removeFile(std::string_view name) {
    FileName wide{};
    return toFileName(name, wide) &&
           DeleteFileW(reinterpret_cast<const wchar_t*>(wide.data())) != 0;
}

bool OutputFile::create(std::string_view name) {
    FileName wide{};
    if (!toFileName(name, wide)) {
        return false;
    }
    HANDLE file =
        CreateFileW(reinterpret_cast<const wchar_t*>(wide.data()), GENERIC_WRITE, FILE_SHARE_READ,
                    nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    handle_ = reinterpret_cast<std::intptr_t>(file);
    return file != INVALID_HANDLE_VALUE;
}

bool OutputFile::write(std::string_view bytes) {
    DWORD written = 0;
    return WriteFile(reinterpret_cast<HANDLE>(handle_), bytes.data(),
                     static_cast<DWORD>(bytes.size()), &written, nullptr) != 0 &&
           written == bytes.size();
}

bool OutputFile::close() {
    HANDLE file = reinterpret_cast<HANDLE>(handle_);
    handle_ = reinterpret_cast<std::intptr_t>(INVALID_HANDLE_VALUE);
    return file != INVALID_HANDLE_VALUE && CloseHandle(file) != 0;
}

} // namespace rfprog::cli
