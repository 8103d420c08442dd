#include "cli/platform.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace rfprog::cli {

namespace {

// The code point of a UTF-8 sequence at text[i], advancing i; false when malformed.
bool decodeUtf8(std::string_view text, std::size_t& i, std::uint32_t& code) {
    const auto lead = static_cast<unsigned char>(text[i++]);
    // Lead byte pattern, its payload bits, the bytes that follow and the least code point.
    struct Sequence {
        unsigned char mask, pattern, payload;
        int following;
        std::uint32_t minimum;
    };
    static constexpr Sequence Sequences[] = {
        {0x80, 0x00, 0x7F, 0, 0},
        {0xE0, 0xC0, 0x1F, 1, 0x80},
        {0xF0, 0xE0, 0x0F, 2, 0x800},
        {0xF8, 0xF0, 0x07, 3, 0x10000},
    };
    const Sequence* sequence = nullptr;
    for (const Sequence& candidate : Sequences) {
        if ((lead & candidate.mask) == candidate.pattern) {
            sequence = &candidate;
            break;
        }
    }
    if (sequence == nullptr) {
        return false;
    }
    code = lead & sequence->payload;
    int following = sequence->following;
    const std::uint32_t minimum = sequence->minimum;
    for (; following > 0; --following) {
        if (i >= text.size() || (static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) {
            return false;
        }
        code = (code << 6) | (static_cast<unsigned char>(text[i++]) & 0x3F);
    }
    return code >= minimum && code <= 0x10FFFF && (code < 0xD800 || code > 0xDFFF);
}

} // namespace

bool toFileName(std::string_view name, std::span<char16_t> fileName) {
    std::size_t out = 0;
    auto put = [&](std::uint32_t unit) {
        if (out + 1 >= fileName.size()) {
            return false;
        }
        fileName[out++] = static_cast<char16_t>(unit);
        return true;
    };
    for (std::size_t i = 0; i < name.size();) {
        std::uint32_t code = 0;
        if (!decodeUtf8(name, i, code) || code == 0) {
            return false;
        }
        const bool stored = code < 0x10000 ? put(code)
                                           : put(0xD800 + ((code - 0x10000) >> 10)) &&
                                                 put(0xDC00 + ((code - 0x10000) & 0x3FF));
        if (!stored) {
            return false;
        }
    }
    fileName[out] = 0;
    return out > 0;
}

bool OutputFile::create(std::string_view name) {
    // The name as given, zero-terminated.
    std::array<char, 4096> path{};
    if (name.empty() || name.size() >= path.size()) {
        return false;
    }
    std::copy(name.begin(), name.end(), path.begin());
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
