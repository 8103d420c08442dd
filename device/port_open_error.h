// Why a way of reaching the programmer port could not be opened, and which base
// addresses a port can have: what every backend shares.
#pragma once

#include <cstdint>

namespace rfprog {

// Why a port could not be opened or used. Each has one sentence for the operator that
// says what to do; the programs that open ports keep those sentences.
enum class PortOpenError {
    None,
    LibraryMissing,   // the port library (inpout32.dll / inpoutx64.dll) is not there
    DriverNotOpen,    // the port library's driver did not open: run once as administrator
    DeviceMissing,    // /dev/parportN absent (ENOENT/ENXIO): load parport_pc and ppdev
    PermissionDenied, // /dev/parportN not accessible (EACCES): join group lp
    PortBusy,         // another driver holds the port (EBUSY), e.g. lp: unload it
    NotBidirectional, // the port cannot turn its data lines to input: PS/2 mode in the BIOS
    RawAccessDenied,  // ioperm refused: root or CAP_SYS_RAWIO; Secure Boot lockdown; use ppdev
    EcrMissing,       // no extended control register answered at the given address
    Unsupported,      // this way of reaching a port does not exist on this system
    Failed,           // any other system error while opening or using the port
};

// A parallel port's base address: a multiple of 4 from 0x100 to 0xFFF8, so that the
// three registers fit below 0x10000.
constexpr bool isUsablePortBase(std::uint32_t base) {
    return base >= 0x100 && base <= 0xFFF8 && base % 4 == 0;
}

} // namespace rfprog
