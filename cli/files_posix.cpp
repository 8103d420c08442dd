#include "cli/platform.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <fcntl.h>
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
