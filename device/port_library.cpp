#include "device/port_library.h"

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

bool LinkedPortLibrary::driverOpen() {
    return portLibraryDriverOpen(GetModuleHandleA(RFPROG_PORT_LIBRARY));
}

PortOpenError LoadedPortLibrary::load() {
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
    return PortOpenError::None;
}

void LoadedPortLibrary::unload() {
    if (library_ != nullptr) {
        FreeLibrary(static_cast<HMODULE>(library_));
    }
    library_ = nullptr;
    out_ = nullptr;
    in_ = nullptr;
}

} // namespace rfprog
