# Windows build: rfprog.exe, the simulated board as a drop-in port library, and the
# tests that run under Wine. The 32-bit build is the shipped program; the 64-bit
# build of the same sources runs the Wine suites on hosts without 32-bit support and
# keeps the code 64-bit clean. Its port library has a name of its own, inpoutx64.dll.
enable_language(RC)
find_package(Python3 REQUIRED COMPONENTS Interpreter)

if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(RFPROG_WINDOWS_BITS 64)
    set(RFPROG_PORT_LIBRARY_NAME inpoutx64)
else()
    set(RFPROG_WINDOWS_BITS 32)
    set(RFPROG_PORT_LIBRARY_NAME inpout32)
endif()
# Every Windows test program runs under Wine through the one script that sets its
# environment, with a prefix of this build folder's own.
set(RFPROG_WINE_PREFIX ${CMAKE_BINARY_DIR}/wineprefix)
set(CMAKE_CROSSCOMPILING_EMULATOR
    sh ${CMAKE_SOURCE_DIR}/scripts/wine.sh ${RFPROG_WINE_PREFIX} ${RFPROG_WINDOWS_BITS})

set(CMAKE_RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
set(CMAKE_LIBRARY_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
set(RFPROG_STATIC_LINK -static -static-libgcc -static-libstdc++)
# Windows XP SP3 is the oldest system the program has to start on.
set(RFPROG_XP_LINK -Wl,--major-subsystem-version,5 -Wl,--minor-subsystem-version,1
    -Wl,--major-os-version,5 -Wl,--minor-os-version,1)
target_compile_definitions(rfprog_core PUBLIC UNICODE _UNICODE WINVER=0x0501 _WIN32_WINNT=0x0501)
target_compile_options(rfprog_core PRIVATE -ffunction-sections -fdata-sections)
target_compile_options(rfprog_ui PRIVATE -ffunction-sections -fdata-sections)
# rfprog-cli.exe carries the simulated board for --port sim; compiled as the command line
# is, without -fdata-sections (cmake/cli.cmake says why).
target_compile_options(rfprog_sim PRIVATE -ffunction-sections)

# Import library for the real port-access DLL, from its module definition. The
# 64-bit edition has its own file name and no __stdcall decorations.
set(RFPROG_INPOUT32_DEF ${CMAKE_SOURCE_DIR}/device/inpout32.def)
if(RFPROG_WINDOWS_BITS EQUAL 64)
    file(READ ${RFPROG_INPOUT32_DEF} definitions)
    string(REGEX REPLACE "@[0-9]+" "" definitions "${definitions}")
    string(REPLACE "inpout32.dll" "${RFPROG_PORT_LIBRARY_NAME}.dll" definitions "${definitions}")
    set(RFPROG_INPOUT32_DEF ${CMAKE_BINARY_DIR}/${RFPROG_PORT_LIBRARY_NAME}.def)
    file(WRITE ${RFPROG_INPOUT32_DEF} "${definitions}")
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
        ${CMAKE_SOURCE_DIR}/device/inpout32.def)
endif()
set(RFPROG_INPOUT32_IMPORT ${CMAKE_BINARY_DIR}/libinpout32_import.a)
add_custom_command(OUTPUT ${RFPROG_INPOUT32_IMPORT}
    COMMAND ${CMAKE_DLLTOOL} -k -d ${RFPROG_INPOUT32_DEF} -l ${RFPROG_INPOUT32_IMPORT}
    DEPENDS ${RFPROG_INPOUT32_DEF}
    COMMENT "Import library for ${RFPROG_PORT_LIBRARY_NAME}.dll")
add_custom_target(inpout32_import DEPENDS ${RFPROG_INPOUT32_IMPORT})

# The icon is drawn by a script.
set(RFPROG_ICON ${CMAKE_BINARY_DIR}/resources/rfprog.ico)
add_custom_command(OUTPUT ${RFPROG_ICON}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/resources
    COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/resources/make_icon.py ${RFPROG_ICON}
    DEPENDS ${CMAKE_SOURCE_DIR}/resources/make_icon.py
    COMMENT "Drawing the program icon")
set_source_files_properties(resources/rfprog.rc PROPERTIES OBJECT_DEPENDS ${RFPROG_ICON})

add_executable(rfprog WIN32
    ui/main_win32.cpp
    ui/win32_dialog_window.cpp
    resources/rfprog.rc
    resources/version.rc)
add_dependencies(rfprog inpout32_import)
target_include_directories(rfprog PRIVATE ${CMAKE_SOURCE_DIR} ${CMAKE_BINARY_DIR}/resources)
target_compile_options(rfprog PRIVATE $<$<COMPILE_LANGUAGE:CXX>:${RFPROG_PRODUCT_FLAGS} -ffunction-sections -fdata-sections>)
target_link_libraries(rfprog PRIVATE rfprog_ui ${RFPROG_INPOUT32_IMPORT} comdlg32)
target_link_options(rfprog PRIVATE -municode ${RFPROG_STATIC_LINK} ${RFPROG_XP_LINK}
    -Wl,--gc-sections -s)

# The simulated board behind Out32/Inp32, exported under their undecorated names.
add_library(inpout32_sim SHARED sim/inpout32_sim.cpp)
set_target_properties(inpout32_sim PROPERTIES OUTPUT_NAME ${RFPROG_PORT_LIBRARY_NAME} PREFIX "")
target_link_libraries(inpout32_sim PRIVATE rfprog_sim)
target_compile_options(inpout32_sim PRIVATE ${RFPROG_WARNINGS})
target_link_options(inpout32_sim PRIVATE ${RFPROG_STATIC_LINK} -Wl,--kill-at -s)

# The same library without the driver check, as older ones come, in a folder of its own
# under the same name.
add_library(inpout32_sim_no_check SHARED sim/inpout32_sim.cpp)
set_target_properties(inpout32_sim_no_check PROPERTIES OUTPUT_NAME ${RFPROG_PORT_LIBRARY_NAME}
    PREFIX "" RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/no-driver-check
    ARCHIVE_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/no-driver-check)
target_compile_definitions(inpout32_sim_no_check PRIVATE RFPROG_SIM_NO_DRIVER_CHECK)
target_link_libraries(inpout32_sim_no_check PRIVATE rfprog_sim)
target_compile_options(inpout32_sim_no_check PRIVATE ${RFPROG_WARNINGS})
target_link_options(inpout32_sim_no_check PRIVATE ${RFPROG_STATIC_LINK} -Wl,--kill-at -s)

# GoogleTest, cross-built from the sources of the system package.
set(RFPROG_GOOGLETEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest sources")
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
add_subdirectory(${RFPROG_GOOGLETEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
include(cmake/test_support.cmake)

include(cmake/wine_tests.cmake)
include(cmake/package.cmake)
