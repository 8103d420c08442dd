// --port /dev/parportN: a port device, through the kernel's parallel-port driver. Linux
// only; elsewhere the form is still taken, and opening it says that this system has no
// such port (Unsupported).
//
// Open errors: DeviceMissing (no such device, or a path longer than the system takes),
// PermissionDenied, PortBusy, NotBidirectional, Failed.
#include "cli/ports/port_backend.h"

#ifndef _WIN32
#include "device/ppdev_port.h"

#include <algorithm>
#include <array>
#endif

namespace rfprog::cli {

namespace {

constexpr std::string_view DevicePrefix = "/dev/";

std::optional<PortParse> parseDevice(std::string_view text, PortChoice& choice) {
    if (!text.starts_with(DevicePrefix)) {
        return std::nullopt;
    }
    choice.path = text;
    return text.size() > DevicePrefix.size() ? PortParse::Parsed : PortParse::NamesNothing;
}

#ifndef _WIN32

// Open for the program's run; it sets the board idle itself on open and on close.
PpdevPort Device;

ExitStatus openDevice(const PortChoice& choice, std::string_view portText, const Console& console,
                      ProgrammerPort*& port) {
    std::array<char, 4096> path{}; // PATH_MAX, with its terminating zero
    if (choice.path.size() >= path.size()) {
        return reportOpenError(PortOpenError::DeviceMissing, portText, console);
    }
    std::copy(choice.path.begin(), choice.path.end(), path.begin());
    if (const PortOpenError error = Device.open(path.data()); error != PortOpenError::None) {
        return reportOpenError(error, portText, console);
    }
    port = &Device;
    return ExitStatus::Success;
}

ExitStatus closeDevice(const Console&) {
    Device.close();
    return ExitStatus::Success;
}

#else

constexpr auto openDevice = nullptr;
constexpr auto closeDevice = nullptr;

#endif

} // namespace

const PortBackend PortDeviceBackend = {parseDevice, openDevice, closeDevice,
                                       PortBackend::TraceAt::Offsets, false};

} // namespace rfprog::cli
