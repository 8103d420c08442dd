// Test data and files: deterministic image bytes, whole-file snapshots and writes, and a
// folder of each test's own.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#ifdef _WIN32
#include <process.h>
#else
#include <unistd.h>
#endif

namespace rfprog::test {

using Bytes = std::vector<std::uint8_t>;

// Varied bytes, every value among any 256 in a row; different seeds differ at every byte.
inline Bytes pattern(std::size_t size, unsigned seed) {
    Bytes bytes(size);
    for (std::size_t i = 0; i < size; ++i) {
        bytes[i] = static_cast<std::uint8_t>(i * 37 + seed * 11 + (i >> 7));
    }
    return bytes;
}

// A text's bytes as a file holds them, and a file's bytes as text.
inline std::span<const std::uint8_t> bytesOf(std::string_view text) {
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}
inline std::string textOf(std::span<const std::uint8_t> bytes) {
    return std::string(bytes.begin(), bytes.end());
}

// The file's bytes; empty (and exists false) when it cannot be opened.
inline Bytes readFile(const std::filesystem::path& path, bool* exists = nullptr) {
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    if (exists != nullptr) {
        *exists = static_cast<bool>(in);
    }
    Bytes bytes(in ? static_cast<std::size_t>(in.tellg()) : 0);
    in.seekg(0);
    in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return bytes;
}

// Creates or replaces the file with exactly these bytes; false when that failed.
inline bool writeFile(const std::filesystem::path& path, std::span<const std::uint8_t> bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    out.close();
    return static_cast<bool>(out);
}

// Every entry under a folder: regular files with their bytes, folders as such.
using Snapshot = std::map<std::string, std::optional<Bytes>>;

inline Snapshot snapshot(const std::filesystem::path& folder) {
    Snapshot result;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
        result[entry.path().string()] =
            entry.is_directory() ? std::nullopt : std::optional<Bytes>(readFile(entry.path()));
    }
    return result;
}

// An empty folder for the running test, named after it and this process so that suites
// and builds running side by side never share one; removed with everything in it.
class TempFolder {
  public:
    explicit TempFolder(std::string_view prefix) {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
#ifdef _WIN32
        const int processId = _getpid();
#else
        const int processId = static_cast<int>(getpid());
#endif
        std::string name = std::string(prefix) + "-" + std::to_string(processId) + "-" +
                           info->test_suite_name() + "-" + info->name();
        std::replace(name.begin(), name.end(), '/', '-');
        path_ = std::filesystem::temp_directory_path() / name;
        std::filesystem::remove_all(path_);
        std::filesystem::create_directories(path_);
    }
    ~TempFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::filesystem::path& path() const {
        return path_;
    }

  private:
    std::filesystem::path path_;
};

} // namespace rfprog::test
