// The simulated /dev/parportN (libppdev_sim.so): what it takes from the environment, and
// what it tells the tests that link it about the last device opened.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace rfprog::test {

// The path answered with the simulated port; /dev/parport0 when unset.
inline constexpr const char* PpdevPathVariable = "RFPROG_PPDEV_SIM_PATH";
// Comma-separated: open=ERRNO, excl=ERRNO, claim=ERRNO (that call fails so), lp (the lp
// driver is registered on the port: an exclusive claim fails with ENXIO), notristate (the
// port cannot turn its data lines to input). ERRNO: EACCES, EPERM, ENOENT, ENXIO, ENODEV,
// EBUSY, EINTR, EIO.
inline constexpr const char* PpdevFaultsVariable = "RFPROG_PPDEV_SIM_FAULTS";
// File that receives the counters below, one "name value" line each, when the device closes.
inline constexpr const char* PpdevStatsVariable = "RFPROG_PPDEV_SIM_STATS";

struct PpdevRequest {
    unsigned long code;
    int argument; // the byte or direction passed in; 0 for requests without one
    friend bool operator==(const PpdevRequest&, const PpdevRequest&) = default;
};

struct PpdevSimStats {
    // Over the whole process: opens of the simulated path (failed ones included), the
    // successful ones, and the closes of those.
    unsigned attempts = 0;
    unsigned opens = 0;
    unsigned closes = 0;
    // Of the device opened last:
    // Times the PC turned the data lines to output while the board drove them (control
    // 0xAA), and data writes that the board did not see because the lines were input.
    unsigned contentions = 0;
    unsigned writesWhileLinesIn = 0;
    std::vector<PpdevRequest> requests; // every ioctl since the open, in order
};

// The counters; all zero before the first open.
__attribute__((visibility("default"))) const PpdevSimStats& ppdevSimStats();

} // namespace rfprog::test
