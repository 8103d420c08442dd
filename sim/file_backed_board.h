// The simulated board with its memories kept in files: the ROM (and, when plugged in, the
// emulator) are loaded when the board is opened, erased where a file is missing, and
// written back at once on every change, as the drop-in port library does.
#pragma once

#include "sim/simulated_board.h"

namespace rfprog::sim {

class FileBackedBoard final : public ProgrammerPort {
  public:
    // Either name may be null: that memory is then not kept. A non-null emulator name
    // plugs the emulator in. False when a memory file cannot be written; the names must
    // stay valid while the board is used.
    bool open(const char16_t* romFile, const char16_t* emulatorFile);

    void writeControl(ControlValue value) override;
    void writeData(std::uint8_t value) override { board.writeData(value); }
    std::uint8_t readData() override { return board.readData(); }
    std::uint8_t readStatus() override { return board.readStatus(); }

    // False once a write-back has failed: the file no longer holds the memory.
    bool filesKept() const { return romKept_ && emulatorKept_; }
    // Which of the two it was: false when the ROM's file failed.
    bool romFileKept() const { return romKept_; }

    SimulatedBoard board;

  private:
    const char16_t* romFile_ = nullptr;
    const char16_t* emulatorFile_ = nullptr;
    bool romKept_ = true;
    bool emulatorKept_ = true;
};

} // namespace rfprog::sim
