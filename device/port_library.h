// The programmer port on Windows at any base address: the port library (inpout32.dll,
// or inpoutx64.dll in a 64-bit build) loaded at run time, so that a missing library or
// driver is reported in a sentence instead of by the system's loader.
#pragma once

#include "device/port_backend.h"
#include "device/programmer_port.h"

#include <cstdint>

namespace rfprog {

// False when the loaded port library has the driver check and it says that its driver
// did not open (reads then give 0 and writes go nowhere); editions without it pass.
bool portLibraryDriverOpen(void* library);

class PortLibraryPort final : public ProgrammerPort {
  public:
    // Loads the library and takes its functions; the port is usable only after None.
    PortOpenError open(std::uint16_t base);
    void close();

    void writeControl(ControlValue value) override;
    void writeData(std::uint8_t value) override;
    std::uint8_t readData() override;
    std::uint8_t readStatus() override;

  private:
    using Output = void(__stdcall*)(int port, int value);
    using Input = int(__stdcall*)(int port);

    void* library_ = nullptr;
    Output out_ = nullptr;
    Input in_ = nullptr;
    std::uint16_t base_ = 0;
};

} // namespace rfprog
