// Prints what a 2 KB read and a 2 KB write cost in ppdev requests, and how long one request
// takes: on the simulated driver (libppdev_sim.so, linked ahead of the C library) and, for
// comparison, a real ioctl system call on this machine.
#include "device/ppdev_port.h"
#include "device/rom_device.h"
#include "tests/ppdev/ppdev_sim.h"

#include <fcntl.h>
#include <linux/ppdev.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

using namespace rfprog;
using Clock = std::chrono::steady_clock;

constexpr const char* SimulatedPath = "/tmp/rfprog-timing-parport0";
constexpr int Calls = 1000000;

double nanosecondsPerCall(Clock::time_point start, long calls) {
    return std::chrono::duration<double, std::nano>(Clock::now() - start).count() /
           static_cast<double>(calls);
}

// Requests of one operation, without the six of opening and closing the port, and the
// best time per request of five runs.
template <typename Operation>
void measureOperation(const char* name, Operation operation) {
    std::size_t requests = 0;
    double best = 0;
    for (int run = 0; run < 5; ++run) {
        PpdevPort port;
        if (port.open(SimulatedPath) != PortOpenError::None) {
            std::printf("%s: the simulated port did not open\n", name);
            return;
        }
        RomDevice device(port);
        const std::size_t before = test::ppdevSimStats().requests.size();
        const auto start = Clock::now();
        operation(device);
        requests = test::ppdevSimStats().requests.size() - before;
        const double perRequest = nanosecondsPerCall(start, static_cast<long>(requests));
        best = run == 0 ? perRequest : std::min(best, perRequest);
    }
    std::printf("%-28s %6zu requests, %.0f ns per request on the simulated driver\n", name,
                requests, best);
}

double timeRequest(int fd, unsigned long code) {
    int answer = 0; // room for FIONREAD's int as well as PPRSTATUS's byte
    const auto start = Clock::now();
    for (int i = 0; i < Calls; ++i) {
        ::ioctl(fd, code, &answer);
    }
    return nanosecondsPerCall(start, Calls);
}

} // namespace

int main() {
    setenv(test::PpdevPathVariable, SimulatedPath, 1);
    std::vector<std::uint8_t> buffer(RomSize, 0x00);
    measureOperation("read 2 KB (readRomBlock)",
                     [&](RomDevice& device) { device.readRomBlock(buffer, 0); });
    measureOperation("write 2 KB (programRomBlock)",
                     [&](RomDevice& device) { device.programRomBlock(buffer, 0); });

    const int simulated = ::open(SimulatedPath, O_RDWR);
    ::ioctl(simulated, PPCLAIM);
    std::printf("PPRSTATUS, simulated driver:  %.1f ns\n", timeRequest(simulated, PPRSTATUS));
    ::close(simulated);

    const int null = ::open("/dev/null", O_RDWR);
    std::printf("PPRSTATUS on /dev/null:       %.1f ns (a real system call, ENOTTY)\n",
                timeRequest(null, PPRSTATUS));
    ::close(null);

    int pipeEnds[2];
    if (::pipe(pipeEnds) == 0) {
        std::printf("FIONREAD on a pipe:           %.1f ns (a real system call that succeeds)\n",
                    timeRequest(pipeEnds[0], FIONREAD));
        ::close(pipeEnds[0]);
        ::close(pipeEnds[1]);
    }
    return 0;
}
