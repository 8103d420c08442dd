// What the command-line tests share: a folder per test with the simulated board's ROM
// file, the program run on it, and the core's traffic for the same operations, run
// in-process on a simulated board and written as the program's trace lines.
#pragma once

#include "device/port_trace_line.h"
#include "device/rom_device.h"
#include "sim/simulated_board.h"
#include "tests/cli/cli_process.h"
#include "tests/common/test_files.h"
#include "tests/native/recording_port.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include <unistd.h>

namespace rfprog::test {

namespace fs = std::filesystem;

inline std::vector<std::uint8_t> pattern(std::size_t size, unsigned seed) {
    std::vector<std::uint8_t> bytes(size);
    for (std::size_t i = 0; i < size; ++i) {
        bytes[i] = static_cast<std::uint8_t>(i * 37 + seed * 11 + (i >> 7));
    }
    return bytes;
}

// The recorded accesses as the trace lines of a port at LPT1, where the simulated board is.
inline std::string traceText(const std::vector<PortAccess>& log) {
    std::string text;
    for (const PortAccess& access : log) {
        const bool write =
            access.kind == PortAccess::Kind::Control || access.kind == PortAccess::Kind::DataWrite;
        const std::uint16_t offset = access.kind == PortAccess::Kind::Control      ? ControlOffset
                                     : access.kind == PortAccess::Kind::StatusRead ? StatusOffset
                                                                                   : DataOffset;
        text += PortTraceLine(write ? rfprog::PortAccess::Write : rfprog::PortAccess::Read,
                              static_cast<std::uint16_t>(Lpt1Base + offset), access.value)
                    .text();
    }
    return text;
}

// The core on a simulated board, recorded: the program's traffic is this one's with the
// idle write at open and at close around it.
struct CoreRun {
    sim::SimulatedBoard board;
    RecordingPort port{board};
    RomDevice device{port};

    std::string programTrace() {
        const std::string idle(PortTraceLine(rfprog::PortAccess::Write, 0x37A, 0x00).text());
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

inline std::string lastLine(const std::string& text) {
    const std::size_t end = text.find_last_not_of('\n');
    const std::size_t start = text.rfind('\n', end);
    return text.substr(start == std::string::npos ? 0 : start + 1, end - start);
}

class CliTest : public ::testing::Test {
  protected:
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        // The process id keeps apart runs of the same test in other build trees.
        folder =
            fs::temp_directory_path() / (std::string("rfprog-cli-") + info->test_suite_name() +
                                         "-" + info->name() + "-" + std::to_string(::getpid()));
        fs::remove_all(folder);
        fs::create_directories(folder);
        rom = folder / "rom.bin";
        trace = folder / "trace.txt";
    }
    void TearDown() override { fs::remove_all(folder); }

    // The program on the simulated board with its ROM in rom.bin.
    CliResult run(std::vector<std::string> arguments, const Environment& environment = {}) {
        arguments.insert(arguments.begin(), {"--port", "sim:" + rom.string()});
        return runCli(arguments, environment, folder);
    }
    std::vector<std::uint8_t> erased() const { return std::vector<std::uint8_t>(RomSize, 0xFF); }
    std::string traceFile() const {
        const auto bytes = readFile(trace);
        return std::string(bytes.begin(), bytes.end());
    }

    fs::path folder;
    fs::path rom;
    fs::path trace;
};

} // namespace rfprog::test
