// Port accesses of each RomDevice operation, counted and timed on a counting port, and
// the software overhead per access against a bare loop that makes the same number of
// accesses of each kind on the same port.
//
// Counters per benchmark:
//   accesses                all register accesses of one operation
//   control, data_out, data_in, status_in   the same by kind
//   ns_per_access           the operation's time per access
//   bare_ns_per_access      the bare loop's time per access
//   overhead_ns_per_access  the difference: what RomDevice itself adds to each access
//   overhead_ratio          operation time / bare loop time
#include "device/rom_device.h"

#include <benchmark/benchmark.h>

#include <array>
#include <chrono>
#include <cstdint>
#include <functional>

namespace {

using rfprog::ControlValue;
using rfprog::ProgrammerPort;
using rfprog::RomDevice;
using rfprog::RomSize;

struct Counts {
    std::uint64_t control = 0;
    std::uint64_t dataOut = 0;
    std::uint64_t dataIn = 0;
    std::uint64_t statusIn = 0;
    std::uint64_t total() const { return control + dataOut + dataIn + statusIn; }
    friend bool operator==(const Counts&, const Counts&) = default;
};

// An erased ROM whose timer answers on the first status read, or never.
class CountingPort final : public ProgrammerPort {
  public:
    explicit CountingPort(bool timerAnswers) : status_(timerAnswers ? 0x80 : 0x00) {}

    void writeControl(ControlValue value) override {
        ++counts.control;
        lastControl_ = value;
    }
    void writeData(std::uint8_t value) override {
        ++counts.dataOut;
        lastData_ = value;
    }
    std::uint8_t readData() override {
        ++counts.dataIn;
        return 0xFF;
    }
    std::uint8_t readStatus() override {
        ++counts.statusIn;
        return status_;
    }

    Counts counts;

  private:
    std::uint8_t status_;
    ControlValue lastControl_ = ControlValue::Idle;
    std::uint8_t lastData_ = 0;
};

// The same number of accesses of each kind, with nothing around them. The port is
// reached through its interface, as RomDevice reaches it.
[[gnu::noinline]] void bareAccesses(ProgrammerPort& port, const Counts& counts) {
    std::uint8_t sink = 0;
    for (std::uint64_t i = 0; i < counts.control; ++i) {
        port.writeControl(ControlValue::Idle);
    }
    for (std::uint64_t i = 0; i < counts.dataOut; ++i) {
        port.writeData(static_cast<std::uint8_t>(i));
    }
    for (std::uint64_t i = 0; i < counts.dataIn; ++i) {
        sink ^= port.readData();
    }
    for (std::uint64_t i = 0; i < counts.statusIn; ++i) {
        sink ^= port.readStatus();
    }
    benchmark::DoNotOptimize(sink);
}

void measure(benchmark::State& state, bool timerAnswers,
             const std::function<void(RomDevice&)>& operation) {
    CountingPort port(timerAnswers);
    RomDevice device(port);
    operation(device);
    const Counts once = port.counts;
    ProgrammerPort* bare = &port;
    benchmark::DoNotOptimize(bare); // keeps the bare loop's calls virtual

    using Clock = std::chrono::steady_clock;
    double operationSeconds = 0;
    double bareSeconds = 0;
    for (auto _ : state) {
        const auto start = Clock::now();
        operation(device);
        const auto middle = Clock::now();
        bareAccesses(*bare, once);
        const auto end = Clock::now();
        const double seconds = std::chrono::duration<double>(middle - start).count();
        state.SetIterationTime(seconds);
        operationSeconds += seconds;
        bareSeconds += std::chrono::duration<double>(end - middle).count();
    }

    // Every run of the operation made the same accesses as the first, and the bare loop
    // matched them: (1 + 2n) times the first run's counts.
    const auto runs = static_cast<std::uint64_t>(state.iterations());
    const Counts expected{once.control * (1 + 2 * runs), once.dataOut * (1 + 2 * runs),
                          once.dataIn * (1 + 2 * runs), once.statusIn * (1 + 2 * runs)};
    if (!(port.counts == expected)) {
        state.SkipWithError("the operation's port accesses changed from run to run");
        return;
    }
    const double accesses = static_cast<double>(once.total() * runs);
    state.counters["accesses"] = static_cast<double>(once.total());
    state.counters["control"] = static_cast<double>(once.control);
    state.counters["data_out"] = static_cast<double>(once.dataOut);
    state.counters["data_in"] = static_cast<double>(once.dataIn);
    state.counters["status_in"] = static_cast<double>(once.statusIn);
    state.counters["ns_per_access"] = operationSeconds * 1e9 / accesses;
    state.counters["bare_ns_per_access"] = bareSeconds * 1e9 / accesses;
    state.counters["overhead_ns_per_access"] = (operationSeconds - bareSeconds) * 1e9 / accesses;
    state.counters["overhead_ratio"] = operationSeconds / bareSeconds;
}

std::array<std::uint8_t, RomSize> erasedImage() {
    std::array<std::uint8_t, RomSize> image{};
    image.fill(0xFF);
    return image;
}

void BM_readRomBlock(benchmark::State& state) {
    std::array<std::uint8_t, RomSize> buffer{};
    measure(state, true, [&](RomDevice& device) {
        device.readRomBlock(buffer, 0);
        benchmark::DoNotOptimize(buffer.data());
    });
}

void BM_verifyRomBlock(benchmark::State& state) {
    const auto image = erasedImage(); // matches the erased ROM, so every byte is read
    measure(state, true, [&](RomDevice& device) {
        const int result = device.verifyRomBlock(image, 0);
        benchmark::DoNotOptimize(result);
    });
}

void BM_blankCheck(benchmark::State& state) {
    measure(state, true, [](RomDevice& device) {
        const int result = device.blankCheck();
        benchmark::DoNotOptimize(result);
    });
}

void BM_programRomBlock(benchmark::State& state) {
    const auto image = erasedImage();
    measure(state, true, [&](RomDevice& device) { device.programRomBlock(image, 0); });
}

void BM_loadEmulatorBlock(benchmark::State& state) {
    const auto image = erasedImage();
    measure(state, true, [&](RomDevice& device) { device.loadEmulatorBlock(image, 0); });
}

// The timer test's longest run: a timer that never answers, 20 000 status reads.
void BM_testPulseTimer(benchmark::State& state) {
    measure(state, false, [](RomDevice& device) {
        const int result = device.testPulseTimer();
        benchmark::DoNotOptimize(result);
    });
}

} // namespace

BENCHMARK(BM_readRomBlock)->UseManualTime();
BENCHMARK(BM_verifyRomBlock)->UseManualTime();
BENCHMARK(BM_blankCheck)->UseManualTime();
BENCHMARK(BM_programRomBlock)->UseManualTime();
BENCHMARK(BM_loadEmulatorBlock)->UseManualTime();
BENCHMARK(BM_testPulseTimer)->UseManualTime();

BENCHMARK_MAIN();
