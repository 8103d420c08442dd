/* The port library's exports: undecorated __stdcall names, 32-bit arguments. Its
   64-bit edition has the same exports under another file name. */
#pragma once

#ifdef __cplusplus
extern "C" {
#endif

void __stdcall Out32(int port, int value);
int __stdcall Inp32(int port);

#ifdef __cplusplus
}
#endif

#ifdef _WIN64
#define RFPROG_PORT_LIBRARY "inpoutx64.dll"
#else
#define RFPROG_PORT_LIBRARY "inpout32.dll"
#endif
/* Optional export: 0 when the library's kernel driver could not be opened. */
#define RFPROG_DRIVER_CHECK_EXPORT "IsInpOutDriverOpen"
