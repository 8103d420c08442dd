// The simulated board as a program hosts it, the one way for every host (the drop-in
// port library, the command line's sim port, the simulated /dev/parportN): the ROM (and,
// when plugged in, the emulator) kept in files, loaded when the board is opened, erased
// where a file is missing, and written back at once on every change; and every access
// written to a trace. The host reads the board's settings (sim/sim_settings.h) and its
// file names in its own way, and opens the board either at once or at the first access,
// as a board is first seen when a program touches the port.
#pragma once

#include "device/port_trace_line.h"
#include "device/tracing_port.h"
#include "image/image_file.h"
#include "sim/simulated_board.h"

#include <cstdint>

namespace rfprog::sim {

// The memory file that could not be written.
enum class SimFile { None, Rom, Emulator };

class BoardHost final : public ProgrammerPort {
  public:
    // Either name may be null: that memory is then not kept. A non-null emulator name plugs
    // the emulator in. trace may be null. Names and trace must stay valid while the board
    // is used. Nothing is opened yet.
    void setUp(const FileNameChar* romFile, const FileNameChar* emulatorFile, TraceSink* trace);

    // Loads the memories and writes them back at once, so that a file that cannot be kept
    // is known before any access: the first file that cannot be written, or None. Without
    // a call, the first access opens the board, and the program goes on whatever it found.
    SimFile open();

    // An access at an I/O address, as the port library is given it: the board answers at
    // LPT1's registers; elsewhere reads give 0xFF and writes go nowhere.
    void out(std::uint16_t port, std::uint8_t value);
    std::uint8_t in(std::uint16_t port);

    // The board at LPT1's registers.
    void writeControl(ControlValue value) override { out(ControlRegister, controlByte(value)); }
    void writeData(std::uint8_t value) override { out(DataRegister, value); }
    std::uint8_t readData() override { return in(DataRegister); }
    std::uint8_t readStatus() override { return in(StatusRegister); }

    // A trace line for an access that the host answered itself, without the board.
    void trace(PortAccess access, std::uint16_t port, std::uint8_t value);

    // The first file whose write-back after a change failed, or None: that file no longer
    // holds the memory.
    SimFile lostFile() const { return lostFile_; }

    SimulatedBoard board;

  private:
    void openOnFirstAccess();
    void saveChanges();

    const FileNameChar* romFile_ = nullptr;
    const FileNameChar* emulatorFile_ = nullptr;
    TraceSink* trace_ = nullptr;
    bool opened_ = false;
    SimFile lostFile_ = SimFile::None;
};

} // namespace rfprog::sim
