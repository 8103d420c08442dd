// The image-file operations on POSIX files, with the same results and write
// semantics as the Windows build (no truncation; a block past the end extends).
#include "image/image_file.h"

#include <array>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace rfprog {

namespace {

// The dialog program's UTF-16 name as UTF-8 in a fixed buffer; false for an empty,
// unpaired or too long name.
using Utf8Path = std::array<char, 4096>;

bool toUtf8(const char16_t* name, Utf8Path& path) {
    std::size_t out = 0;
    auto put = [&](unsigned value) {
        if (out + 1 >= path.size()) {
            return false;
        }
        path[out++] = static_cast<char>(value);
        return true;
    };
    for (std::size_t i = 0; name[i] != 0; ++i) {
        std::uint32_t code = name[i];
        if (code >= 0xD800 && code <= 0xDBFF) {
            const std::uint32_t low = name[i + 1];
            if (low < 0xDC00 || low > 0xDFFF) {
                return false;
            }
            code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
            ++i;
        } else if (code >= 0xDC00 && code <= 0xDFFF) {
            return false;
        }
        bool ok = true;
        if (code < 0x80) {
            ok = put(code);
        } else if (code < 0x800) {
            ok = put(0xC0 | (code >> 6)) && put(0x80 | (code & 0x3F));
        } else if (code < 0x10000) {
            ok = put(0xE0 | (code >> 12)) && put(0x80 | ((code >> 6) & 0x3F)) &&
                 put(0x80 | (code & 0x3F));
        } else {
            ok = put(0xF0 | (code >> 18)) && put(0x80 | ((code >> 12) & 0x3F)) &&
                 put(0x80 | ((code >> 6) & 0x3F)) && put(0x80 | (code & 0x3F));
        }
        if (!ok) {
            return false;
        }
    }
    path[out] = 0;
    return out > 0;
}

// Opens a regular file (a directory cannot be opened, as on Windows).
int openRegular(const char* name, int flags) {
    if (name[0] == 0) {
        return -1;
    }
    const int fd = ::open(name, flags | O_CLOEXEC, 0666);
    if (fd < 0) {
        return -1;
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0 || S_ISDIR(info.st_mode)) {
        ::close(fd);
        return -1;
    }
    return fd;
}

template <typename Transfer>
int transferBlock(int fd, std::uint32_t fileOffset, std::size_t count, Transfer transfer) {
    if (fd < 0) {
        return ImageCannotOpen;
    }
    if (::lseek(fd, static_cast<off_t>(fileOffset), SEEK_SET) == static_cast<off_t>(-1)) {
        ::close(fd);
        return ImageCannotOpen;
    }
    // One transfer, as on Windows; a signal is the only reason to ask again.
    ssize_t transferred = -1;
    do {
        transferred = transfer(fd);
    } while (transferred < 0 && errno == EINTR);
    ::close(fd);
    return transferred == static_cast<ssize_t>(count) ? ImageTransferred : ImageShortTransfer;
}

} // namespace

int readImageBlock(const char* name, std::span<std::uint8_t> buffer, std::uint32_t fileOffset) {
    return transferBlock(openRegular(name, O_RDONLY), fileOffset, buffer.size(),
                         [&](int fd) { return ::read(fd, buffer.data(), buffer.size()); });
}

int writeImageBlock(const char* name, std::span<const std::uint8_t> buffer,
                    std::uint32_t fileOffset) {
    return transferBlock(openRegular(name, O_WRONLY | O_CREAT), fileOffset, buffer.size(),
                         [&](int fd) { return ::write(fd, buffer.data(), buffer.size()); });
}

int readImageBlock(const char16_t* name, std::span<std::uint8_t> buffer, std::uint32_t fileOffset) {
    Utf8Path path{};
    return toUtf8(name, path) ? readImageBlock(path.data(), buffer, fileOffset) : ImageCannotOpen;
}

int writeImageBlock(const char16_t* name, std::span<const std::uint8_t> buffer,
                    std::uint32_t fileOffset) {
    Utf8Path path{};
    return toUtf8(name, path) ? writeImageBlock(path.data(), buffer, fileOffset) : ImageCannotOpen;
}

bool replaceImageFile(const char* temporaryName, const char* name) {
    return ::rename(temporaryName, name) == 0;
}

} // namespace rfprog
