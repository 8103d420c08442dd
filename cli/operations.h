// The operations on an open port, each the core's port traffic for its block: read,
// write (a block read as pre-check, programming of the bytes that need a pulse or emulator
// loading, the block read back as verification), verify, blank, timer, selftest (emulator
// loads and block reads of the whole ROM's addresses) and idle (control 0x00 alone). The
// reads but the pre-check and the self-test's are made --reads times (read: twice by
// default), and the passes compared. Verification reads the whole block rather than
// stopping at the first difference, so that the report can list the differences; for a
// block that matches, read once, the traffic is the dialog's.
#pragma once

#include "cli/cell_map.h"
#include "cli/exit_status.h"
#include "cli/options.h"
#include "cli/output.h"
#include "cli/port_session.h"
#include "cli/progress.h"
#include "cli/record_io.h"
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
    std::span<const bool> fileDefined; // write, verify: bytes FILE defines; empty: all (raw)
    std::span<std::uint8_t> romBlock;  // what the ROM reads: read, pre-check, verification
    const FileNameChar* fileName;      // FILE as image/ takes it
    const FilePlace& filePlace;        // where the block lies in FILE
    CellMap* map;                      // --map, --map-svg: the block's picture; or null
};

ExitStatus runOperation(OperationContext& context);

} // namespace rfprog::cli
