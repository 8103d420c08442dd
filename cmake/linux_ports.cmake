# Linux: the parallel port through /dev/parportN and through raw port I/O, their tests
# on a simulated /dev/parportN, and (once rfprog-cli exists) its tests there and its
# Debian package. Included at the end of the native build.
if(NOT CMAKE_SYSTEM_NAME STREQUAL "Linux" OR RFPROG_FUZZ)
    return()
endif()

# Part of the core on Linux, so that every program built on it can open either port.
target_sources(rfprog_core PRIVATE device/ppdev_port.cpp device/raw_io_port.cpp)

# libppdev_sim.so: the simulated /dev/parportN, on the one build of the board. It exports
# only the C library's entry points that it answers and its counters; the board and the
# core it carries stay hidden, as its own code does.
add_library(ppdev_sim SHARED tests/ppdev/ppdev_interposer.cpp)
set_target_properties(ppdev_sim PROPERTIES CXX_VISIBILITY_PRESET hidden)
target_include_directories(ppdev_sim PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
target_compile_options(ppdev_sim PRIVATE ${RFPROG_WARNINGS})
target_link_libraries(ppdev_sim PRIVATE rfprog_sim rfprog_core ${CMAKE_DL_LIBS})
target_link_options(ppdev_sim PRIVATE -Wl,--exclude-libs,ALL)

# Linked ahead of the C library, the simulated driver answers this test program's own
# open, ioctl and close on the simulated path.
add_executable(linux_ports_tests
    tests/ppdev/ppdev_port_test.cpp
    tests/linux_ports/raw_io_port_test.cpp)
target_include_directories(linux_ports_tests PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(linux_ports_tests PRIVATE ppdev_sim rfprog_sim rfprog_core rfprog_test_support
    GTest::gtest_main)
target_compile_options(linux_ports_tests PRIVATE ${RFPROG_WARNINGS})
gtest_discover_tests(linux_ports_tests DISCOVERY_TIMEOUT 30)

# Not a test: prints the requests per operation and the time per request.
add_executable(ppdev_timing tests/ppdev/ppdev_timing.cpp)
target_include_directories(ppdev_timing PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(ppdev_timing PRIVATE ppdev_sim rfprog_sim rfprog_core)
target_compile_options(ppdev_timing PRIVATE ${RFPROG_WARNINGS})

# rfprog-cli comes from cmake/cli.cmake, which is read after this file: what needs it
# waits for the end of the configuration.
function(rfprog_linux_cli_tests)
    if(NOT TARGET rfprog-cli)
        return()
    endif()
    add_executable(ppdev_cli_tests tests/ppdev/cli_ppdev_test.cpp tests/cli/cli_process.cpp)
    target_include_directories(ppdev_cli_tests PRIVATE ${CMAKE_SOURCE_DIR})
    target_compile_definitions(ppdev_cli_tests PRIVATE
        RFPROG_CLI_PATH="$<TARGET_FILE:rfprog-cli>"
        RFPROG_PPDEV_SIM_LIBRARY="$<TARGET_FILE:ppdev_sim>")
    target_link_libraries(ppdev_cli_tests PRIVATE rfprog_sim rfprog_core rfprog_test_support
        GTest::gtest_main util)
    target_compile_options(ppdev_cli_tests PRIVATE ${RFPROG_WARNINGS})
    add_dependencies(ppdev_cli_tests rfprog-cli ppdev_sim)
    gtest_discover_tests(ppdev_cli_tests DISCOVERY_TIMEOUT 30 PROPERTIES TIMEOUT 300)
endfunction()
cmake_language(DEFER CALL rfprog_linux_cli_tests)
cmake_language(DEFER CALL include ${CMAKE_SOURCE_DIR}/cmake/linux_package.cmake)
