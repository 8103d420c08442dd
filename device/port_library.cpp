#include "device/port_library.h"

#include "device/inpout32.h"

#include <windows.h>

namespace rfprog {

namespace {

// GetProcAddress gives a generic function pointer; the detour through void (*)() is the
// conversion the compiler accepts between function types.
template <typename Function>
Function libraryFunction(HMODULE library, const char* name) {
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(library, name)));
}

} // namespace

bool portLibraryDriverOpen(void* library) {
    using DriverCheck = BOOL(__stdcall*)();
    const auto check =
        libraryFunction<DriverCheck>(static_cast<HMODULE>(library), RFPROG_DRIVER_CHECK_EXPORT);
    return check == nullptr || check() != FALSE;
}

PortOpenError PortLibraryPort::open(std::uint16_t base) {
    HMODULE library = LoadLibraryA(RFPROG_PORT_LIBRARY);
    if (library == nullptr) {
        return PortOpenError::LibraryMissing;
    }
    const auto out = libraryFunction<Output>(library, "Out32");
    const auto in = libraryFunction<Input>(library, "Inp32");
    if (out == nullptr || in == nullptr) {
        FreeLibrary(library);
        return PortOpenError::LibraryMissing; // not the port library, whatever its name
    }
    if (!portLibraryDriverOpen(library)) {
        FreeLibrary(library);
        return PortOpenError::DriverNotOpen;
    }
    library_ = library;
    out_ = out;
    in_ = in;
    base_ = base;
    return PortOpenError::None;
}

void PortLibraryPort::close() {
    if (library_ != nullptr) {
        FreeLibrary(static_cast<HMODULE>(library_));
    }
    library_ = nullptr;
    out_ = nullptr;
    in_ = nullptr;
}

// Addresses travel as non-negative ints: 0xD010 stays 0xD010, never a negative short.
void PortLibraryPort::writeControl(ControlValue value) {
    out_(base_ + ControlOffset, controlByte(value));
}

void PortLibraryPort::writeData(std::uint8_t value) {
    out_(base_ + DataOffset, value);
}

std::uint8_t PortLibraryPort::readData() {
    return static_cast<std::uint8_t>(in_(base_ + DataOffset));
}

std::uint8_t PortLibraryPort::readStatus() {
    return static_cast<std::uint8_t>(in_(base_ + StatusOffset));
}

} // namespace rfprog
