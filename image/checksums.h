// Checksums of a block of bytes, as ROM dumps are identified by: CRC-32 (the reflected
// polynomial EDB88320h of zip and PNG), SHA-1, and the 16-bit sum of the bytes that
// programmer front panels show. Plain arithmetic over memory: no port, no file, no
// allocation, the same code on every platform.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

namespace rfprog {

std::uint32_t crc32(std::span<const std::uint8_t> bytes);
std::uint16_t byteSum16(std::span<const std::uint8_t> bytes); // wraps modulo 0x10000

using Sha1Digest = std::array<std::uint8_t, 20>;

// SHA-1 over bytes given in any number of pieces.
class Sha1 {
  public:
    void update(std::span<const std::uint8_t> bytes);
    // The digest of everything given; the object is spent afterwards.
    Sha1Digest finish();

  private:
    void compress();

    std::array<std::uint32_t, 5> state_{0x67452301, 0xEFCDAB89, 0x98BADCFE, 0x10325476, 0xC3D2E1F0};
    std::array<std::uint8_t, 64> block_{};
    std::size_t used_ = 0;     // bytes waiting in block_
    std::uint64_t length_ = 0; // bytes given in all
};

Sha1Digest sha1(std::span<const std::uint8_t> bytes);

struct BlockChecksums {
    std::uint32_t crc32 = 0;
    Sha1Digest sha1{};
    std::uint16_t sum16 = 0;
};

BlockChecksums blockChecksums(std::span<const std::uint8_t> bytes);

// The one line that reports them, without a line feed:
// "crc32 CBF43926  sha1 a9993e36...d89d  sum16 1A2B". CRC-32 and the sum in upper-case
// hex like every other number the programs print; SHA-1 in lower case, as digests are
// written and listed.
class ChecksumLine {
  public:
    explicit ChecksumLine(const BlockChecksums& checksums);

    std::string_view text() const { return {text_.data(), text_.size()}; }

    static constexpr std::size_t Length = 6 + 8 + 7 + 40 + 8 + 4;

  private:
    std::array<char, Length> text_{};
};

} // namespace rfprog
