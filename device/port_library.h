// The programmer port on Windows at any base address, through the port library
// (inpout32.dll, or inpoutx64.dll in a 64-bit build). The library is reached one of two
// ways, and the port's code is the same for both:
// - linked at build time (the dialog program, at LPT1): the system's loader brings it;
// - loaded at run time (the command line): a missing library or driver is then reported
//   in a sentence instead of by the system's loader.
#pragma once

#include "device/inpout32.h"
#include "device/port_open_error.h"
#include "device/programmer_port.h"

#include <cstdint>

namespace rfprog {

// False when the loaded port library has the driver check and it says that its driver
// did not open (reads then give 0 and writes go nowhere); editions without it pass.
bool portLibraryDriverOpen(void* library);

// The library as linked into the program.
struct LinkedPortLibrary {
    static void out(int port, int value) { Out32(port, value); }
    static int in(int port) { return Inp32(port); }
    static bool driverOpen();
};

// The library as loaded at run time; out and in only after load gave None.
class LoadedPortLibrary {
  public:
    PortOpenError load();
    void unload();
    void out(int port, int value) const { out_(port, value); }
    int in(int port) const { return in_(port); }

  private:
    using Output = void(__stdcall*)(int port, int value);
    using Input = int(__stdcall*)(int port);

    void* library_ = nullptr;
    Output out_ = nullptr;
    Input in_ = nullptr;
};

template <typename Library>
class PortLibraryPort final : public ProgrammerPort {
  public:
    explicit PortLibraryPort(std::uint16_t base = Lpt1Base) : base_(base) {}

    // Addresses travel as non-negative ints: 0xD010 stays 0xD010, never a negative short.
    void writeControl(ControlValue value) override {
        library.out(base_ + ControlOffset, controlByte(value));
    }
    void writeData(std::uint8_t value) override { library.out(base_ + DataOffset, value); }
    std::uint8_t readData() override {
        return static_cast<std::uint8_t>(library.in(base_ + DataOffset));
    }
    std::uint8_t readStatus() override {
        return static_cast<std::uint8_t>(library.in(base_ + StatusOffset));
    }

    Library library;

  private:
    std::uint16_t base_;
};

} // namespace rfprog
