// The operations on an open port, each the core's port traffic for its block: read,
// write (a block read as pre-check, programming of the bytes that need a pulse or emulator
// loading, a block read as verification), verify, blank (a block read each), timer, and
// idle (control 0x00 alone). Verification reads the whole block rather than stopping at
// the first difference, so that the report can list the differences; for a block that
// matches, the traffic is the same as the dialog's.
#pragma once

#include "cli/exit_status.h"
#include "cli/options.h"
#include "cli/output.h"
#include "cli/port_session.h"
#include "cli/progress.h"
#include "cli/trace_file.h"
#include "device/rom_device.h"

#include <cstdint>
#include <span>

namespace rfprog::cli {

struct OperationContext {
    const Options& options;
    const Console& console;
    RomDevice& device;
    Progress& progress;
    TraceFile& trace;
    std::span<std::uint8_t> fileBlock; // write, verify: loaded from FILE; read: filled
    std::span<const bool> fileDefined; // bytes FILE defines; empty: all (raw files)
    std::span<std::uint8_t> romBlock;  // what the ROM reads: read, pre-check, verification
    const FileNameChar* fileName;      // FILE as image/ takes it
};

ExitStatus runOperation(OperationContext& context);

} // namespace rfprog::cli
