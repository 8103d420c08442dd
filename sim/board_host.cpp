#include "sim/board_host.h"

#include "image/image_file.h"
#include "sim/memory_file.h"

namespace rfprog::sim {

namespace {

// A missing file leaves the memory erased; a short one fills what it holds.
void load(const FileNameChar* name, RomImage& memory) {
    if (name != nullptr) {
        loadMemory(name, memory);
    }
}

// Patched in place like any image file: a longer file keeps the rest of its bytes.
bool save(const FileNameChar* name, const RomImage& memory) {
    return name == nullptr || writeImageBlock(name, memory, 0) == ImageTransferred;
}

} // namespace

void BoardHost::setUp(const FileNameChar* romFile, const FileNameChar* emulatorFile,
                      TraceSink* trace) {
    romFile_ = romFile;
    emulatorFile_ = emulatorFile;
    trace_ = trace;
    board.emulatorPlugged = emulatorFile != nullptr;
}

SimFile BoardHost::open() {
    opened_ = true;
    load(romFile_, board.rom);
    load(emulatorFile_, board.emulator);
    // Nothing more is written once a file cannot be.
    if (!save(romFile_, board.rom)) {
        return SimFile::Rom;
    }
    return save(emulatorFile_, board.emulator) ? SimFile::None : SimFile::Emulator;
}

void BoardHost::openOnFirstAccess() {
    if (!opened_) {
        open();
    }
}

void BoardHost::out(std::uint16_t port, std::uint8_t value) {
    openOnFirstAccess();
    trace(PortAccess::Write, port, value);
    if (port == ControlRegister) {
        board.writeControl(static_cast<ControlValue>(value));
        saveChanges(); // only control writes change a memory: the pulse and the emulator strobe
    } else if (port == DataRegister) {
        board.writeData(value);
    }
}

std::uint8_t BoardHost::in(std::uint16_t port) {
    openOnFirstAccess();
    std::uint8_t value = 0xFF;
    if (port == DataRegister) {
        value = board.readData();
    } else if (port == StatusRegister) {
        value = board.readStatus();
    }
    trace(PortAccess::Read, port, value);
    return value;
}

void BoardHost::trace(PortAccess access, std::uint16_t port, std::uint8_t value) {
    if (trace_ != nullptr) {
        trace_->traceLine(PortTraceLine(access, port, value).text());
    }
}

void BoardHost::saveChanges() {
    if (board.takeRomChanged() && !save(romFile_, board.rom) && lostFile_ == SimFile::None) {
        lostFile_ = SimFile::Rom;
    }
    if (board.takeEmulatorChanged() && !save(emulatorFile_, board.emulator) &&
        lostFile_ == SimFile::None) {
        lostFile_ = SimFile::Emulator;
    }
}

} // namespace rfprog::sim
