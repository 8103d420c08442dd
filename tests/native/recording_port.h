// A port wrapper that logs every register access, so tests can assert exact traffic,
// and a clock that runs fast so that a silent pulse timer costs milliseconds instead of
// a second of real time.
#pragma once

#include "device/programmer_port.h"

#include <cstdint>
#include <ostream>
#include <vector>

namespace rfprog::test {

// Advances one millisecond on every look, so the write's pulse bound of one second is
// reached after about a thousand looks (a quarter of a million status reads).
inline std::uint32_t fastClock() {
    static std::uint32_t now = 0;
    return ++now;
}

struct PortAccess {
    enum class Kind { Control, DataWrite, DataRead, StatusRead } kind;
    std::uint8_t value;
    friend bool operator==(const PortAccess&, const PortAccess&) = default;
};

inline PortAccess ctl(std::uint8_t value) {
    return {PortAccess::Kind::Control, value};
}
inline PortAccess dataOut(std::uint8_t value) {
    return {PortAccess::Kind::DataWrite, value};
}
inline PortAccess dataIn(std::uint8_t value) {
    return {PortAccess::Kind::DataRead, value};
}
inline PortAccess statusIn(std::uint8_t value) {
    return {PortAccess::Kind::StatusRead, value};
}

inline std::ostream& operator<<(std::ostream& out, const PortAccess& access) {
    static constexpr const char* Names[] = {"ctl", "data<-", "data->", "status->"};
    return out << Names[static_cast<int>(access.kind)] << " 0x" << std::hex << int(access.value)
               << std::dec;
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

    std::size_t count(PortAccess::Kind kind) const {
        std::size_t n = 0;
        for (const PortAccess& access : log) {
            n += access.kind == kind ? 1 : 0;
        }
        return n;
    }
    // The value of the last control write, or -1 when none was made.
    int lastControl() const {
        for (auto it = log.rbegin(); it != log.rend(); ++it) {
            if (it->kind == PortAccess::Kind::Control) {
                return it->value;
            }
        }
        return -1;
    }

    std::vector<PortAccess> log;

  private:
    ProgrammerPort& inner_;
};

// Expected traffic helpers.
inline void appendReset(std::vector<PortAccess>& out) {
    for (std::uint8_t v : {0x02, 0x03, 0x02, 0x00}) {
        out.push_back(ctl(v));
    }
}
inline void appendAdvance(std::vector<PortAccess>& out, std::uint32_t count) {
    for (std::uint32_t i = 0; i < count; ++i) {
        for (std::uint8_t v : {0x00, 0x01, 0x00}) {
            out.push_back(ctl(v));
        }
    }
}
inline void appendRead(std::vector<PortAccess>& out, std::uint8_t value) {
    out.push_back(ctl(0xAA));
    out.push_back(dataIn(value));
    out.push_back(ctl(0x00));
}

} // namespace rfprog::test
