#include "cli/platform.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace rfprog::cli {

bool toFileName(std::string_view name, FileName& fileName) {
    // A name from the command line holds no zero byte; one from elsewhere is refused.
    if (name.empty() || name.size() >= fileName.size() ||
        name.find('\0') != std::string_view::npos) {
        return false;
    }
    std::copy(name.begin(), name.end(), fileName.begin());
    fileName[name.size()] = 0;
    return true;
}

namespace {

// One read, asked again only after a signal.
ssize_t readSome(int fd, std::uint8_t* bytes, std::size_t count) {
    ssize_t got = -1;
    do {
        got = ::read(fd, bytes, count);
    } while (got < 0 && errno == EINTR);
    return got;
}

} // namespace

WholeFileRead readWholeFile(std::string_view name, std::span<std::uint8_t> buffer,
                            std::size_t& size) {
    size = 0;
    FileName path{};
    if (!toFileName(name, path)) {
        return WholeFileRead::CannotRead;
    }
    const int fd = ::open(path.data(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return errno == ENOENT ? WholeFileRead::Missing : WholeFileRead::CannotRead;
    }
    struct stat info {};
    WholeFileRead result = ::fstat(fd, &info) == 0 && !S_ISDIR(info.st_mode)
                               ? WholeFileRead::Read
                               : WholeFileRead::CannotRead;
    while (result == WholeFileRead::Read && size < buffer.size()) {
        const ssize_t got = readSome(fd, buffer.data() + size, buffer.size() - size);
        if (got == 0) {
            break;
        }
        if (got < 0) {
            result = WholeFileRead::CannotRead;
        } else {
            size += static_cast<std::size_t>(got);
        }
    }
    std::uint8_t more = 0;
    if (result == WholeFileRead::Read && size == buffer.size() && readSome(fd, &more, 1) != 0) {
        result = WholeFileRead::TooLarge;
    }
    ::close(fd);
    return result;
}

bool sameFile(std::string_view first, std::string_view second) {
    FileName firstPath{};
    FileName secondPath{};
    struct stat firstInfo {};
    struct stat secondInfo {};
    if (toFileName(first, firstPath) && toFileName(second, secondPath) &&
        ::stat(firstPath.data(), &firstInfo) == 0 && ::stat(secondPath.data(), &secondInfo) == 0) {
        return firstInfo.st_dev == secondInfo.st_dev && firstInfo.st_ino == secondInfo.st_ino;
    }
    return first == second;
}

bool removeFile(std::string_view name) {
    FileName path{};
    return toFileName(name, path) && ::unlink(path.data()) == 0;
}

bool OutputFile::create(std::string_view name) {
    FileName path{};
    if (!toFileName(name, path)) {
        return false;
    }
    const int fd = ::open(path.data(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    handle_ = fd;
    return fd >= 0;
}

bool OutputFile::write(std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(static_cast<int>(handle_), bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

bool OutputFile::close() {
    const bool closed = handle_ >= 0 && ::close(static_cast<int>(handle_)) == 0;
    handle_ = -1;
    return closed;
}

} // namespace rfprog::cli
