# Cross toolchain for the 64-bit Windows build (MinGW-w64), the same sources as the
# shipped 32-bit program: its tests run under the 64-bit Wine loader on hosts that
# cannot run 32-bit programs.
set(MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_SYSTEM_PROCESSOR AMD64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
