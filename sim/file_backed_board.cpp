#include "sim/file_backed_board.h"

#include "image/image_file.h"

namespace rfprog::sim {

namespace {

// A missing file leaves the memory erased; a short one fills what it holds.
void load(const FileNameChar* name, RomImage& memory) {
    if (name != nullptr) {
        readImageBlock(name, memory, 0);
    }
}

bool save(const FileNameChar* name, const RomImage& memory) {
    return name == nullptr || writeImageBlock(name, memory, 0) == ImageTransferred;
}

} // namespace

bool FileBackedBoard::open(const FileNameChar* romFile, const FileNameChar* emulatorFile) {
    romFile_ = romFile;
    emulatorFile_ = emulatorFile;
    board.emulatorPlugged = emulatorFile != nullptr;
    load(romFile, board.rom);
    load(emulatorFile, board.emulator);
    // Written at once, so that a file that cannot be kept is known before any access.
    filesKept_ = save(romFile, board.rom) && save(emulatorFile, board.emulator);
    return filesKept_;
}

void FileBackedBoard::writeControl(ControlValue value) {
    board.writeControl(value);
    // Only control writes change a memory: the pulse and the emulator strobe.
    if (board.takeRomChanged() && !save(romFile_, board.rom)) {
        filesKept_ = false;
    }
    if (board.takeEmulatorChanged() && !save(emulatorFile_, board.emulator)) {
        filesKept_ = false;
    }
}

} // namespace rfprog::sim
