#include "image/checksums.h"

#include "core/rom_basics.h"

#include <algorithm>

namespace rfprog {

namespace {

constexpr std::array<std::uint32_t, 256> Crc32Table = [] {
    std::array<std::uint32_t, 256> table{};
    for (std::uint32_t n = 0; n < table.size(); ++n) {
        std::uint32_t c = n;
        for (int bit = 0; bit < 8; ++bit) {
            c = (c & 1) != 0 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        }
        table[n] = c;
    }
    return table;
}();

constexpr std::uint32_t rotateLeft(std::uint32_t value, int bits) {
    return (value << bits) | (value >> (32 - bits));
}

constexpr char LowerHex[] = "0123456789abcdef";

char* putText(char* out, std::string_view text) {
    return std::copy(text.begin(), text.end(), out);
}

char* putHex(char* out, std::uint32_t value, int digits) {
    for (int digit = digits - 1; digit >= 0; --digit) {
        *out++ = HexDigits[(value >> (digit * 4)) & 0xF];
    }
    return out;
}

} // namespace

std::uint32_t crc32(std::span<const std::uint8_t> bytes) {
    std::uint32_t crc = 0xFFFFFFFFu;
    for (const std::uint8_t byte : bytes) {
        crc = Crc32Table[(crc ^ byte) & 0xFF] ^ (crc >> 8);
    }
    return crc ^ 0xFFFFFFFFu;
}

std::uint16_t byteSum16(std::span<const std::uint8_t> bytes) {
    std::uint32_t sum = 0;
    for (const std::uint8_t byte : bytes) {
        sum += byte;
    }
    return static_cast<std::uint16_t>(sum);
}

void Sha1::update(std::span<const std::uint8_t> bytes) {
    length_ += bytes.size();
    for (const std::uint8_t byte : bytes) {
        block_[used_++] = byte;
        if (used_ == block_.size()) {
            compress();
        }
    }
}

Sha1Digest Sha1::finish() {
    const std::uint64_t bits = length_ * 8;
    block_[used_++] = 0x80;
    if (used_ > block_.size() - 8) {
        std::fill(block_.begin() + static_cast<std::ptrdiff_t>(used_), block_.end(), 0);
        compress();
    }
    std::fill(block_.begin() + static_cast<std::ptrdiff_t>(used_), block_.end() - 8, 0);
    for (int i = 0; i < 8; ++i) {
        block_[block_.size() - 1 - i] = static_cast<std::uint8_t>(bits >> (8 * i));
    }
    compress();
    Sha1Digest digest{};
    for (std::size_t i = 0; i < digest.size(); ++i) {
        digest[i] = static_cast<std::uint8_t>(state_[i / 4] >> (24 - 8 * (i % 4)));
    }
    return digest;
}

void Sha1::compress() {
    std::array<std::uint32_t, 80> w{};
    for (std::size_t i = 0; i < 16; ++i) {
        w[i] = static_cast<std::uint32_t>(block_[4 * i]) << 24 |
               static_cast<std::uint32_t>(block_[4 * i + 1]) << 16 |
               static_cast<std::uint32_t>(block_[4 * i + 2]) << 8 | block_[4 * i + 3];
    }
    for (std::size_t i = 16; i < w.size(); ++i) {
        w[i] = rotateLeft(w[i - 3] ^ w[i - 8] ^ w[i - 14] ^ w[i - 16], 1);
    }
    std::uint32_t a = state_[0], b = state_[1], c = state_[2], d = state_[3], e = state_[4];
    for (std::size_t i = 0; i < w.size(); ++i) {
        std::uint32_t f = 0;
        std::uint32_t k = 0;
        if (i < 20) {
            f = (b & c) | (~b & d);
            k = 0x5A827999;
        } else if (i < 40) {
            f = b ^ c ^ d;
            k = 0x6ED9EBA1;
        } else if (i < 60) {
            f = (b & c) | (b & d) | (c & d);
            k = 0x8F1BBCDC;
        } else {
            f = b ^ c ^ d;
            k = 0xCA62C1D6;
        }
        const std::uint32_t next = rotateLeft(a, 5) + f + e + k + w[i];
        e = d;
        d = c;
        c = rotateLeft(b, 30);
        b = a;
        a = next;
    }
    state_[0] += a;
    state_[1] += b;
    state_[2] += c;
    state_[3] += d;
    state_[4] += e;
    used_ = 0;
}

Sha1Digest sha1(std::span<const std::uint8_t> bytes) {
    Sha1 hash;
    hash.update(bytes);
    return hash.finish();
}

BlockChecksums blockChecksums(std::span<const std::uint8_t> bytes) {
    return {crc32(bytes), sha1(bytes), byteSum16(bytes)};
}

ChecksumLine::ChecksumLine(const BlockChecksums& checksums) {
    char* out = putText(text_.data(), "crc32 ");
    out = putHex(out, checksums.crc32, 8);
    out = putText(out, "  sha1 ");
    for (const std::uint8_t byte : checksums.sha1) {
        *out++ = LowerHex[byte >> 4];
        *out++ = LowerHex[byte & 0xF];
    }
    out = putText(out, "  sum16 ");
    putHex(out, checksums.sum16, 4);
}

} // namespace rfprog
