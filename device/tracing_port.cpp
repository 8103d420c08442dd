#include "device/tracing_port.h"

#include "device/port_trace_line.h"

namespace rfprog {

namespace {

void trace(TraceSink& sink, PortAccess access, std::uint16_t base, std::uint16_t offset,
           std::uint8_t value) {
    const PortTraceLine line(access, static_cast<std::uint16_t>(base + offset), value);
    sink.traceLine(line.text());
}

} // namespace

// Writes are traced before they happen and reads after, with the value seen, so the
// trace is in the order of the accesses on the port.
void TracingPort::writeControl(ControlValue value) {
    trace(sink_, PortAccess::Write, base_, ControlOffset, controlByte(value));
    inner_.writeControl(value);
}

void TracingPort::writeData(std::uint8_t value) {
    trace(sink_, PortAccess::Write, base_, DataOffset, value);
    inner_.writeData(value);
}

std::uint8_t TracingPort::readData() {
    const std::uint8_t value = inner_.readData();
    trace(sink_, PortAccess::Read, base_, DataOffset, value);
    return value;
}

std::uint8_t TracingPort::readStatus() {
    const std::uint8_t value = inner_.readStatus();
    trace(sink_, PortAccess::Read, base_, StatusOffset, value);
    return value;
}

} // namespace rfprog
