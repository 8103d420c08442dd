# Hardening: the fault and file tests of the native suite, the libFuzzer targets and
# the device benchmark. Included at the end of the native build.

option(RFPROG_FUZZ "Build the libFuzzer targets (clang) instead of the native tests" OFF)

if(RFPROG_FUZZ)
    if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
        message(FATAL_ERROR "RFPROG_FUZZ needs clang for libFuzzer (the fuzz preset sets it)")
    endif()
    # The fuzz build makes only the fuzz targets; the test program is left out.
    set_target_properties(native_tests PROPERTIES EXCLUDE_FROM_ALL TRUE)

    set(RFPROG_FUZZ_SANITIZERS -fsanitize=address,undefined -fno-sanitize-recover=all
        -fno-omit-frame-pointer)
    # The code under test carries the coverage instrumentation; libFuzzer's main is
    # linked into the targets only.
    foreach(library rfprog_core rfprog_ui rfprog_sim)
        target_compile_options(${library} PRIVATE -fsanitize=fuzzer-no-link
            ${RFPROG_FUZZ_SANITIZERS})
    endforeach()

    foreach(target fuzz_block_parameters fuzz_commands fuzz_record_file fuzz_options)
        add_executable(${target} tests/fuzz/${target}.cpp)
        target_include_directories(${target} PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
        target_link_libraries(${target} PRIVATE rfprog_ui rfprog_sim rfprog_core rfprog_test_support)
        target_compile_options(${target} PRIVATE ${RFPROG_WARNINGS} -fsanitize=fuzzer
            ${RFPROG_FUZZ_SANITIZERS})
        target_link_options(${target} PRIVATE -fsanitize=fuzzer ${RFPROG_FUZZ_SANITIZERS})
    endforeach()
    # The command line's parser with the port backends whose parsers it calls; their way to
    # the system and the console is linked to traps in the target.
    target_sources(fuzz_options PRIVATE cli/options.cpp cli/output.cpp cli/json_result.cpp cli/ports/port_table.cpp
        cli/ports/sim_port.cpp cli/ports/device_port.cpp cli/ports/address_port.cpp
        device/ppdev_port.cpp)
    return()
endif()

target_sources(native_tests PRIVATE
    tests/native/fault_matrix_test.cpp
    tests/native/file_faults_test.cpp)
# The fault matrix checks the README's copy of its table.
target_compile_definitions(native_tests PRIVATE RFPROG_SOURCE_DIR="${CMAKE_CURRENT_SOURCE_DIR}")

# The benchmark measures RomDevice as a release build would run it, so it compiles its
# own optimised copy of the device sources; it is not one of the tests.
if(NOT RFPROG_SANITIZE)
    find_package(benchmark QUIET)
    if(benchmark_FOUND)
        add_executable(device_benchmark
            bench/device_benchmark.cpp
            device/rom_device.cpp
            device/monotonic_clock_${RFPROG_PLATFORM}.cpp)
        target_include_directories(device_benchmark PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
        target_link_libraries(device_benchmark PRIVATE benchmark::benchmark)
        target_compile_options(device_benchmark PRIVATE ${RFPROG_WARNINGS} -O2)
    else()
        message(WARNING "Google Benchmark not found: device_benchmark is not built "
                        "(Debian package libbenchmark-dev)")
    endif()
endif()
