#include "cli/interrupt_posix.h"
#include "cli/platform.h"
#include "cli/stream_reading.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdlib>
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

// The file opened for reading, or standard input for "-"; -1 when it cannot be, with errno.
int openForReading(std::string_view name) {
    if (name == StandardStreamName) {
        return STDIN_FILENO;
    }
    FileName path{};
    if (!toFileName(name, path)) {
        errno = EINVAL;
        return -1;
    }
    return ::open(path.data(), O_RDONLY | O_CLOEXEC);
}

void closeOpened(int fd) {
    if (fd != STDIN_FILENO && fd != STDOUT_FILENO) {
        ::close(fd);
    }
}

// What the shared readers take from a descriptor: a stop signal ends a wait.
auto readerOf(int fd) {
    return [fd](std::uint8_t* data, std::size_t size) { return readWhenReady(fd, data, size); };
}

} // namespace

WholeFileRead readWholeFile(std::string_view name, std::span<std::uint8_t> buffer,
                            std::size_t& size) {
    size = 0;
    const int fd = openForReading(name);
    if (fd < 0) {
        return errno == ENOENT ? WholeFileRead::Missing : WholeFileRead::CannotRead;
    }
    struct stat info {};
    WholeFileRead result = ::fstat(fd, &info) == 0 && !S_ISDIR(info.st_mode)
                               ? WholeFileRead::Read
                               : WholeFileRead::CannotRead;
    if (result == WholeFileRead::Read) {
        result = readWhole(readerOf(fd), buffer, size);
    }
    closeOpened(fd);
    return result;
}

StretchRead readFileStretch(std::string_view name, std::uint32_t offset,
                            std::span<std::uint8_t> bytes, std::uint64_t& fileSize) {
    fileSize = 0;
    const int fd = openForReading(name);
    struct stat info {};
    if (fd < 0 || ::fstat(fd, &info) != 0 || S_ISDIR(info.st_mode)) {
        if (fd >= 0) {
            closeOpened(fd);
        }
        return StretchRead::CannotOpen;
    }
    // A file of known length is read where the stretch lies; anything else from its start
    // to its end, passing over what comes before and after the stretch.
    long got = 0;
    if (S_ISREG(info.st_mode)) {
        fileSize = static_cast<std::uint64_t>(info.st_size);
        got = ::lseek(fd, static_cast<off_t>(offset), SEEK_SET) < 0
                  ? -1
                  : readFully(readerOf(fd), bytes);
    } else {
        got = readStretchOfStream(readerOf(fd), offset, bytes, fileSize);
    }
    closeOpened(fd);
    return stretchResult(got, bytes.size());
}

FileKind fileKind(std::string_view name) {
    if (name == StandardStreamName) {
        return FileKind::Stream;
    }
    FileName path{};
    struct stat info {};
    if (!toFileName(name, path)) {
        return FileKind::Unusable;
    }
    if (::stat(path.data(), &info) != 0) {
        return errno == ENOENT ? FileKind::Missing : FileKind::Unusable;
    }
    if (S_ISDIR(info.st_mode)) {
        return FileKind::Unusable;
    }
    return S_ISREG(info.st_mode) ? FileKind::Regular : FileKind::Stream;
}

bool writeToStream(std::string_view name, std::string_view bytes) {
    int fd = STDOUT_FILENO;
    if (name != StandardStreamName) {
        FileName path{};
        // Opening a FIFO waits for its reader; a stop signal ends that wait.
        fd = toFileName(name, path) && !interruptRequested()
                 ? ::open(path.data(), O_WRONLY | O_CLOEXEC)
                 : -1;
    }
    if (fd < 0) {
        return false;
    }
    const bool written = writeWhenReady(fd, bytes.data(), bytes.size());
    const bool closed = fd == STDOUT_FILENO || ::close(fd) == 0;
    return written && closed;
}

namespace {

// The temporary file a replaced file is written to, in the same folder.
constexpr std::string_view TemporarySuffix = ".rfprog-new";

} // namespace

bool replaceFileText(std::string_view name, std::string_view text) {
    FileName given{};
    if (!toFileName(name, given)) {
        return false;
    }
    // The file a link leads to is the one replaced, in its own folder; a name that leads
    // nowhere yet is a new file.
    std::array<char, PATH_MAX> resolved{};
    const char* target =
        ::realpath(given.data(), resolved.data()) != nullptr ? resolved.data() : given.data();
    const std::string_view targetName(target);
    FileName temporary{};
    if (targetName.size() + TemporarySuffix.size() >= temporary.size()) {
        return false;
    }
    std::copy(TemporarySuffix.begin(), TemporarySuffix.end(),
              std::copy(targetName.begin(), targetName.end(), temporary.begin()));
    struct stat existing {};
    const bool exists = ::stat(target, &existing) == 0;
    const int fd = ::open(temporary.data(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) {
        return false;
    }
    // Whatever lies in the temporary's place is replaced, but only a file of its own gets
    // the mode and the owner.
    struct stat opened {};
    bool written = ::fstat(fd, &opened) == 0 && S_ISREG(opened.st_mode);
    if (written && exists) {
        // The owner first: a change of owner may clear the set-ID bits the mode then restores.
        // Only root may give a file away; for anyone else, EPERM leaves the process's own.
        [[maybe_unused]] const int owned = ::fchown(fd, existing.st_uid, existing.st_gid);
        written = ::fchmod(fd, existing.st_mode & 07777) == 0;
    }
    written = written && writeWhenReady(fd, text.data(), text.size());
    written = ::close(fd) == 0 && written;
    FileName targetPath{};
    if (written && toFileName(targetName, targetPath) &&
        replaceImageFile(temporary.data(), targetPath.data())) {
        return true;
    }
    ::unlink(temporary.data());
    return false;
}

namespace {

// The file's device and inode, or, for a name not there yet, its folder's and the name
// within it.
struct FileIdentity {
    dev_t device = 0;
    ino_t inode = 0;
    bool exists = false;
    std::string_view leaf;
};

bool identify(std::string_view name, FileIdentity& identity) {
    FileName path{};
    struct stat info {};
    if (!toFileName(name, path)) {
        return false;
    }
    if (::stat(path.data(), &info) == 0) {
        identity = {info.st_dev, info.st_ino, true, {}};
        return true;
    }
    const std::size_t slash = name.rfind('/');
    const std::string_view folder = slash == std::string_view::npos ? "."
                                    : slash == 0                    ? "/"
                                                 : std::string_view(name.data(), slash);
    FileName folderPath{};
    if (!toFileName(folder, folderPath) || ::stat(folderPath.data(), &info) != 0) {
        return false;
    }
    identity = {info.st_dev, info.st_ino, false,
                slash == std::string_view::npos
                    ? name
                    : std::string_view(name.data() + slash + 1, name.size() - slash - 1)};
    return true;
}

} // namespace

bool sameFile(std::string_view first, std::string_view second) {
    FileIdentity a;
    FileIdentity b;
    return identify(first, a) && identify(second, b) && a.exists == b.exists &&
           a.device == b.device && a.inode == b.inode && a.leaf == b.leaf;
}

bool isStandardOutput(std::string_view name) {
    FileName path{};
    struct stat named {};
    struct stat output {};
    return name == StandardStreamName ||
           (toFileName(name, path) && ::stat(path.data(), &named) == 0 &&
            ::fstat(STDOUT_FILENO, &output) == 0 && named.st_dev == output.st_dev &&
            named.st_ino == output.st_ino);
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
    return writeWhenReady(static_cast<int>(handle_), bytes.data(), bytes.size());
}

bool OutputFile::close() {
    const bool closed = handle_ >= 0 && ::close(static_cast<int>(handle_)) == 0;
    handle_ = -1;
    return closed;
}

} // namespace rfprog::cli
