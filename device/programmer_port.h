// The four register accesses that every device operation is made of.
#pragma once

#include "device/programmer_registers.h"

#include <cstdint>

namespace rfprog {

class ProgrammerPort {
  public:
    virtual void writeControl(ControlValue value) = 0; // control register
    virtual void writeData(std::uint8_t value) = 0;    // data register
    virtual std::uint8_t readData() = 0;               // data register
    virtual std::uint8_t readStatus() = 0;             // status register

  protected:
    ProgrammerPort() = default;
    ProgrammerPort(const ProgrammerPort&) = default;
    ProgrammerPort& operator=(const ProgrammerPort&) = default;
    ~ProgrammerPort() = default;
};

} // namespace rfprog
