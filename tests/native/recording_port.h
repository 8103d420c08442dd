// A port wrapper that logs every register access at the board's LPT1 addresses, so tests
// can assert exact traffic, and a clock that runs fast so that a silent pulse timer costs
// milliseconds instead of a second of real time.
#pragma once

#include "device/programmer_port.h"
#include "tests/support/traffic.h"

#include <cstdint>
#include <vector>

namespace rfprog::test {

// Advances one millisecond on every look, so the write's pulse bound of one second is
// reached after about a thousand looks (a quarter of a million status reads).
inline std::uint32_t fastClock() {
    static std::uint32_t now = 0;
    return ++now;
}

class RecordingPort final : public ProgrammerPort {
  public:
    explicit RecordingPort(ProgrammerPort& inner) : inner_(inner) {}

    void writeControl(ControlValue value) override {
        log.push_back(ctl(controlByte(value)));
        inner_.writeControl(value);
    }
    void writeData(std::uint8_t value) override {
        log.push_back(dataOut(value));
        inner_.writeData(value);
    }
    std::uint8_t readData() override {
        const std::uint8_t value = inner_.readData();
        log.push_back(dataIn(value));
        return value;
    }
    std::uint8_t readStatus() override {
        const std::uint8_t value = inner_.readStatus();
        log.push_back(statusIn(value));
        return value;
    }

    std::size_t count(char direction, std::uint16_t port) const {
        return countAccesses(log, direction, port);
    }
    // The value of the last control write, or -1 when none was made.
    int lastControl() const {
        const auto value = lastControlWrite(log);
        return value ? *value : -1;
    }

    std::vector<PortAccess> log;

  private:
    ProgrammerPort& inner_;
};

} // namespace rfprog::test
