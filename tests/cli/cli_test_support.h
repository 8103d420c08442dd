// What the command-line tests share: a folder per test with the simulated board's ROM
// file, the program run on it, and the core's traffic for the same operations, run
// in-process on a simulated board and written as the program's trace lines.
#pragma once

#include "device/rom_device.h"
#include "sim/simulated_board.h"
#include "tests/cli/cli_process.h"
#include "tests/native/recording_port.h"
#include "tests/support/record_checks.h"
#include "tests/support/test_data.h"
#include "tests/support/traffic.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include <unistd.h>

namespace rfprog::test {

namespace fs = std::filesystem;

// The core on a simulated board, recorded: the program's traffic is this one's with the
// idle write at open and at close around it.
struct CoreRun {
    sim::SimulatedBoard board;
    RecordingPort port{board};
    RomDevice device{port};

    std::string programTrace() {
        const std::string idle = toString(ctl(controlByte(ControlValue::Idle))) + "\n";
        return idle + traceText(port.log) + idle;
    }
};

inline std::size_t lineCount(const std::string& text, const std::string& part) {
    std::istringstream lines(text);
    std::size_t count = 0;
    for (std::string line; std::getline(lines, line);) {
        count += line.find(part) != std::string::npos ? 1 : 0;
    }
    return count;
}

// Standard output without the checksum line that ends a read, a verified write and a
// matching verify: for the tests of other things (the line has tests of its own).
inline std::string withoutChecksums(const std::string& out) {
    std::istringstream lines(out);
    std::string kept;
    for (std::string line; std::getline(lines, line);) {
        if (!line.starts_with("crc32 ")) {
            kept += line + "\n";
        }
    }
    return kept;
}

// How many times part occurs in text (a progress bar redrawn with \r is one line).
inline std::size_t occurrences(const std::string& text, const std::string& part) {
    std::size_t found = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
        ++found;
    }
    return found;
}

inline std::string lastLine(const std::string& text) {
    const std::size_t end = text.find_last_not_of('\n');
    const std::size_t start = text.rfind('\n', end);
    return text.substr(start == std::string::npos ? 0 : start + 1, end - start);
}

// An Intel HEX record with its checksum.
inline std::string intelRecord(std::uint16_t offset, std::uint8_t type, const Bytes& data) {
    unsigned sum = static_cast<unsigned>(data.size()) + (offset >> 8) + (offset & 0xFF) + type;
    std::string line = ":" + hexText(static_cast<std::uint32_t>(data.size()), 2) +
                       hexText(offset, 4) + hexText(type, 2);
    for (const std::uint8_t value : data) {
        line += hexText(value, 2);
        sum += value;
    }
    return line + hexText((0x100 - sum % 0x100) % 0x100, 2) + "\n";
}

// Data records of 16 bytes for the bytes at address (below 64 KB), and the end record.
inline std::string intelFile(std::uint16_t address, const Bytes& bytes) {
    std::string text;
    for (std::size_t at = 0; at < bytes.size(); at += 16) {
        const std::size_t size = std::min<std::size_t>(16, bytes.size() - at);
        text += intelRecord(static_cast<std::uint16_t>(address + at), 0,
                            Bytes(bytes.begin() + at, bytes.begin() + at + size));
    }
    return text + ":00000001FF\n";
}

class CliTest : public ::testing::Test {
  protected:
    // The program on the simulated board with its ROM in rom.bin.
    CliResult run(std::vector<std::string> arguments, const Environment& environment = {}) {
        arguments.insert(arguments.begin(), {"--port", "sim:" + rom.string()});
        return runCli(arguments, environment, folder);
    }
    std::vector<std::uint8_t> erased() const {
        return std::vector<std::uint8_t>(RomSize, ErasedByte);
    }
    std::string traceFile() const { return textOf(readFile(trace)); }
    // Whether a write on rom.bin has programmed its first byte, within the usual wait.
    bool firstBytePulsed() const {
        return eventually([&] {
            const auto bytes = readFile(rom);
            return bytes.size() == RomSize && bytes[0] != 0xFF;
        });
    }
    // The trace file as port accesses; a trace that does not parse fails the test.
    PortTrace tracedTraffic() const {
        std::string error;
        const auto parsed = PortTrace::parse(traceFile(), &error);
        EXPECT_TRUE(parsed.has_value()) << error;
        return parsed.value_or(PortTrace());
    }

    TempFolder temp{"rfprog-cli"};
    const fs::path folder = temp.path();
    const fs::path rom = folder / "rom.bin";
    const fs::path trace = folder / "trace.txt";
};

} // namespace rfprog::test
