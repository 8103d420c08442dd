/* The two exports of inpout32.dll: undecorated __stdcall names, 32-bit arguments. */
#pragma once

#ifdef __cplusplus
extern "C" {
#endif

void __stdcall Out32(int port, int value);
int __stdcall Inp32(int port);

#ifdef __cplusplus
}
#endif
