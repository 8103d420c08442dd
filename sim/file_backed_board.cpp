#include "sim/file_backed_board.h"

#include "image/image_file.h"

namespace rfprog::sim {

namespace {

// A missing file leaves the memory erased; a short one fills what it holds.
void load(const char16_t* name, RomImage& memory) {
    if (name != nullptr) {
        readImageBlock(name, memory, 0);
    }
}

bool save(const char16_t* name, const RomImage& memory) {
    return name == nullptr || writeImageBlock(name, memory, 0) == ImageTransferred;
}

} // namespace

bool FileBackedBoard::open(const char16_t* romFile, const char16_t* emulatorFile) {
    romFile_ = romFile;
    emulatorFile_ = emulatorFile;
    board.emulatorPlugged = emulatorFile != nullptr;
    load(romFile, board.rom);
    load(emulatorFile, board.emulator);
    // Written at once, so that a file that cannot be kept is known before any access.
    romKept_ = save(romFile, board.rom);
    emulatorKept_ = !romKept_ || save(emulatorFile, board.emulator);
    return filesKept();
}

void FileBackedBoard::writeControl(ControlValue value) {
    board.writeControl(value);
    // Only control writes change a memory: the pulse and the emulator strobe.
    if (board.takeRomChanged() && !save(romFile_, board.rom)) {
        romKept_ = false;
    }
    if (board.takeEmulatorChanged() && !save(emulatorFile_, board.emulator)) {
        emulatorKept_ = false;
    }
}

} // namespace rfprog::sim
