// The programmer port on a real PC: byte access to the parallel-port registers
// through the port-access library inpout32.dll.
#pragma once

#include "device/programmer_port.h"

namespace rfprog {

class Inpout32Port final : public ProgrammerPort {
  public:
    void writeControl(ControlValue value) override;
    void writeData(std::uint8_t value) override;
    std::uint8_t readData() override;
    std::uint8_t readStatus() override;

    // False when the loaded port library says that its driver did not open; then reads
    // give 0 and writes go nowhere. Editions without that check are taken as open.
    static bool driverOpen();
};

} // namespace rfprog
