// Reading a file or a stream in pieces, the same on every system. Each system gives a
// readSome(data, size): the count read, 0 at the end, -1 on an error or a stop signal.
#pragma once

#include "cli/platform.h"

#include <array>
#include <cstdint>
#include <span>

namespace rfprog::cli {

// Reads until bytes is full or the input ends: the count read, or -1.
template <typename ReadSome>
long readFully(ReadSome readSome, std::span<std::uint8_t> bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const long got = readSome(bytes.data() + done, bytes.size() - done);
        if (got < 0) {
            return -1;
        }
        if (got == 0) {
            break;
        }
        done += static_cast<std::size_t>(got);
    }
    return static_cast<long>(done);
}

// Reads a whole input into buffer, its length into size: TooLarge when more follows.
template <typename ReadSome>
WholeFileRead readWhole(ReadSome readSome, std::span<std::uint8_t> buffer, std::size_t& size) {
    const long got = readFully(readSome, buffer);
    if (got < 0) {
        return interruptRequested() ? WholeFileRead::Interrupted : WholeFileRead::CannotRead;
    }
    size = static_cast<std::size_t>(got);
    std::array<std::uint8_t, 1> more{};
    if (size == buffer.size() && readFully(readSome, more) != 0) {
        return interruptRequested() ? WholeFileRead::Interrupted : WholeFileRead::TooLarge;
    }
    return WholeFileRead::Read;
}

// Reads and drops up to limit bytes, counted in passed; -1 on an error.
template <typename ReadSome>
long passOver(ReadSome readSome, std::uint64_t limit, std::uint64_t& passed) {
    std::array<std::uint8_t, 4096> dropped{};
    while (passed < limit) {
        const std::uint64_t piece =
            limit - passed < dropped.size() ? limit - passed : dropped.size();
        const long got =
            readFully(readSome, std::span(dropped).first(static_cast<std::size_t>(piece)));
        if (got <= 0) {
            return got;
        }
        passed += static_cast<std::uint64_t>(got);
    }
    return 0;
}

// A stream of unknown length read from its start to its end: what comes before offset and
// after the stretch is passed over, and fileSize counts it all. The count read, or -1.
template <typename ReadSome>
long readStretchOfStream(ReadSome readSome, std::uint32_t offset, std::span<std::uint8_t> bytes,
                         std::uint64_t& fileSize) {
    std::uint64_t before = 0;
    std::uint64_t after = 0;
    long got = passOver(readSome, offset, before);
    if (got >= 0 && before == offset) {
        got = readFully(readSome, bytes);
    } else if (got >= 0) {
        got = 0;
    }
    if (got >= 0 && static_cast<std::size_t>(got) == bytes.size() &&
        passOver(readSome, UINT64_MAX, after) < 0) {
        got = -1;
    }
    fileSize = before + static_cast<std::uint64_t>(got < 0 ? 0 : got) + after;
    return got;
}

// What a stretch read of got bytes (-1: failed) of wanted comes to.
inline StretchRead stretchResult(long got, std::size_t wanted) {
    if (got < 0) {
        return interruptRequested() ? StretchRead::Interrupted : StretchRead::CannotOpen;
    }
    return static_cast<std::size_t>(got) == wanted ? StretchRead::Read : StretchRead::TooShort;
}

} // namespace rfprog::cli
