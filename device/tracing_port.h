// A port that passes every access on to another port and writes it, one line each, in
// the trace format of device/port_trace_line.h, for diagnosing real boards.
#pragma once

#include "device/programmer_port.h"

#include <cstdint>
#include <string_view>

namespace rfprog {

// Where trace lines go; the receiver buffers and writes them as it sees fit.
class TraceSink {
  public:
    virtual void traceLine(std::string_view line) = 0;

  protected:
    TraceSink() = default;
    TraceSink(const TraceSink&) = default;
    TraceSink& operator=(const TraceSink&) = default;
    ~TraceSink() = default;
};

class TracingPort final : public ProgrammerPort {
  public:
    // base: the address that the trace shows for the data register.
    TracingPort(ProgrammerPort& inner, std::uint16_t base, TraceSink& sink)
        : inner_(inner), base_(base), sink_(sink) {}

    void writeControl(ControlValue value) override;
    void writeData(std::uint8_t value) override;
    std::uint8_t readData() override;
    std::uint8_t readStatus() override;

  private:
    ProgrammerPort& inner_;
    std::uint16_t base_;
    TraceSink& sink_;
};

} // namespace rfprog
