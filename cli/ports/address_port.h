// The base address backend's system half (address_port_posix.cpp, address_port_win32.cpp):
// the port at a base address, opened the way this system allows.
#pragma once

#include "cli/ports/port_backend.h"

namespace rfprog::cli {

// Opens the port at choice.base (with choice.ecr where the system uses it), writing
// nothing; port is set on None.
PortOpenError openAddressPort(const PortChoice& choice, ProgrammerPort*& port);
void closeAddressPort();
// The port library that the open errors name; empty where the system needs none.
std::string_view portLibraryName();

} // namespace rfprog::cli
