#include "cli/platform.h"
#include "cli/stream_reading.h"

#include <windows.h>

#include <algorithm>
#include <array>
#include <cstdint>

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

namespace {

// The file opened for reading, or standard input for "-".
HANDLE openForReading(std::string_view name) {
    if (name == StandardStreamName) {
        return GetStdHandle(STD_INPUT_HANDLE);
    }
    FileName wide{};
    if (!toFileName(name, wide)) {
        SetLastError(ERROR_INVALID_NAME);
        return INVALID_HANDLE_VALUE;
    }
    return CreateFileW(reinterpret_cast<const wchar_t*>(wide.data()), GENERIC_READ, FILE_SHARE_READ,
                       nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}

void closeOpened(std::string_view name, HANDLE file) {
    if (name != StandardStreamName) {
        CloseHandle(file);
    }
}

// What the shared readers take from a handle. A pipe's writer closing is its end; a wait
// that Ctrl-C cancelled is a stop, never the end of the input.
auto readerOf(HANDLE file) {
    return [file](std::uint8_t* data, std::size_t size) -> long {
        DWORD got = 0;
        const bool read = ReadFile(file, data, static_cast<DWORD>(size), &got, nullptr) != 0;
        if (interruptRequested()) {
            return -1;
        }
        if (!read) {
            return GetLastError() == ERROR_BROKEN_PIPE ? 0 : -1;
        }
        return static_cast<long>(got);
    };
}

} // namespace

WholeFileRead readWholeFile(std::string_view name, std::span<std::uint8_t> buffer,
                            std::size_t& size) {
    size = 0;
    HANDLE file = openForReading(name);
    if (file == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND
                   ? WholeFileRead::Missing
                   : WholeFileRead::CannotRead;
    }
    const WholeFileRead result = readWhole(readerOf(file), buffer, size);
    closeOpened(name, file);
    return result;
}

StretchRead readFileStretch(std::string_view name, std::uint32_t offset,
                            std::span<std::uint8_t> bytes, std::uint64_t& fileSize) {
    fileSize = 0;
    HANDLE file = openForReading(name);
    if (file == INVALID_HANDLE_VALUE) {
        return StretchRead::CannotOpen;
    }
    long got = 0;
    LARGE_INTEGER size{};
    if (GetFileType(file) == FILE_TYPE_DISK && GetFileSizeEx(file, &size) != 0) {
        fileSize = static_cast<std::uint64_t>(size.QuadPart);
        LARGE_INTEGER at{};
        at.QuadPart = offset;
        got = SetFilePointerEx(file, at, nullptr, FILE_BEGIN) == 0
                  ? -1
                  : readFully(readerOf(file), bytes);
    } else {
        got = readStretchOfStream(readerOf(file), offset, bytes, fileSize);
    }
    closeOpened(name, file);
    return stretchResult(got, bytes.size());
}

// A name the file system knows as no file or folder but does not call missing (a device,
// a pipe) is written to as a stream.
FileKind fileKind(std::string_view name) {
    if (name == StandardStreamName) {
        return FileKind::Stream;
    }
    FileName wide{};
    if (!toFileName(name, wide)) {
        return FileKind::Unusable;
    }
    const DWORD attributes = GetFileAttributesW(reinterpret_cast<const wchar_t*>(wide.data()));
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        const DWORD error = GetLastError();
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? FileKind::Missing
                                                                              : FileKind::Stream;
    }
    return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? FileKind::Unusable : FileKind::Regular;
}

bool writeToStream(std::string_view name, std::string_view bytes) {
    HANDLE file = GetStdHandle(STD_OUTPUT_HANDLE);
    if (name != StandardStreamName) {
        FileName wide{};
        file = toFileName(name, wide)
                   ? CreateFileW(reinterpret_cast<const wchar_t*>(wide.data()), GENERIC_WRITE,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                 FILE_ATTRIBUTE_NORMAL, nullptr)
                   : INVALID_HANDLE_VALUE;
    }
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    DWORD written = 0;
    const bool done =
        WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) != 0 &&
        written == bytes.size();
    const bool closed = name == StandardStreamName || CloseHandle(file) != 0;
    return done && closed;
}

namespace {

constexpr std::string_view TemporarySuffix = ".rfprog-new";

} // namespace

bool replaceFileText(std::string_view name, std::string_view text) {
    std::array<char, std::tuple_size_v<FileName> + TemporarySuffix.size()> buffer{};
    if (name.size() + TemporarySuffix.size() > buffer.size()) {
        return false;
    }
    std::copy(TemporarySuffix.begin(), TemporarySuffix.end(),
              std::copy(name.begin(), name.end(), buffer.begin()));
    const std::string_view temporary(buffer.data(), name.size() + TemporarySuffix.size());
    OutputFile file;
    bool written = file.create(temporary) && file.write(text);
    written = file.close() && written;
    FileName temporaryName{};
    FileName targetName{};
    if (!toFileName(temporary, temporaryName)) {
        return false;
    }
    if (written && toFileName(name, targetName) &&
        replaceImageFile(temporaryName.data(), targetName.data())) {
        return true;
    }
    DeleteFileW(reinterpret_cast<const wchar_t*>(temporaryName.data()));
    return false;
}

bool isStandardOutput(std::string_view name) {
    return name == StandardStreamName;
}

// The full paths compared without regard to case, as the file system names them.
bool sameFile(std::string_view first, std::string_view second) {
    FileName a{};
    FileName b{};
    std::array<wchar_t, 1024> fullA{};
    std::array<wchar_t, 1024> fullB{};
    if (!toFileName(first, a) || !toFileName(second, b)) {
        return false;
    }
    const DWORD lengthA = GetFullPathNameW(reinterpret_cast<const wchar_t*>(a.data()),
                                           static_cast<DWORD>(fullA.size()), fullA.data(), nullptr);
    const DWORD lengthB = GetFullPathNameW(reinterpret_cast<const wchar_t*>(b.data()),
                                           static_cast<DWORD>(fullB.size()), fullB.data(), nullptr);
    return lengthA > 0 && lengthA < fullA.size() && lengthB > 0 && lengthB < fullB.size() &&
           lstrcmpiW(fullA.data(), fullB.data()) == 0;
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
