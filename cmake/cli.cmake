# rfprog-cli, the command-line program: the same device and image code as the dialog
# program, on every platform. Natively it comes with its tests, which drive the built
# program as a process on the simulated board; in the Windows build it is a console
# program beside rfprog.exe, with a few cases under Wine.

# Everything of the command line but its entry point; the native tests link it too.
add_library(rfprog_cli_lib STATIC
    cli/ports/port_table.cpp
    cli/ports/sim_port.cpp
    cli/ports/device_port.cpp
    cli/ports/address_port.cpp
    cli/ports/address_port_${RFPROG_PLATFORM}.cpp
    cli/cell_map.cpp
    cli/json_result.cpp
    cli/cli.cpp
    cli/operations.cpp
    cli/options.cpp
    cli/output.cpp
    cli/port_session.cpp
    cli/progress.cpp
    cli/record_io.cpp
    cli/report.cpp
    cli/selftest.cpp
    cli/trace_file.cpp
    cli/console_${RFPROG_PLATFORM}.cpp
    cli/files_${RFPROG_PLATFORM}.cpp
    cli/interrupt_${RFPROG_PLATFORM}.cpp)
target_link_libraries(rfprog_cli_lib PUBLIC rfprog_sim rfprog_core)
target_compile_options(rfprog_cli_lib PRIVATE ${RFPROG_PRODUCT_FLAGS})
# --version: the project's version, the one of the packages and of rfprog.exe's resource.
target_compile_definitions(rfprog_cli_lib PRIVATE RFPROG_VERSION_TEXT="${rfprog_VERSION}")
if(RFPROG_FUZZ)
    # The fuzz build makes only the fuzz targets.
    set_target_properties(rfprog_cli_lib PROPERTIES EXCLUDE_FROM_ALL TRUE)
    return()
endif()

add_executable(rfprog-cli cli/main_${RFPROG_PLATFORM}.cpp)
target_link_libraries(rfprog-cli PRIVATE rfprog_cli_lib)
target_compile_options(rfprog-cli PRIVATE ${RFPROG_PRODUCT_FLAGS})

if(WIN32)
    # A console program, linked statically; it loads the port library at run time, so it
    # imports system DLLs only.
    # No -fdata-sections: with it MinGW's GCC puts zero-filled static buffers into .data
    # sections of their own rather than .bss, and the exe carries their megabytes of zeros.
    target_compile_options(rfprog_cli_lib PRIVATE -ffunction-sections)
    target_compile_options(rfprog-cli PRIVATE -ffunction-sections)
    target_link_options(rfprog-cli PRIVATE -municode -static -static-libgcc -static-libstdc++
        ${RFPROG_XP_LINK} -Wl,--gc-sections -s)

    add_test(NAME cli_exe_imports
        COMMAND sh ${CMAKE_CURRENT_SOURCE_DIR}/tests/cli/check-cli-exe.sh
                $<TARGET_FILE:rfprog-cli> ${CMAKE_OBJDUMP})
    set_tests_properties(cli_exe_imports PROPERTIES LABELS static TIMEOUT 30)

    # Under Wine, with the simulated port library beside the program (whichever name this
    # architecture gives it), and once without it.
    if(COMMAND rfprog_wine_test)
        string(REPLACE ";" "|" runner "${CMAKE_CROSSCOMPILING_EMULATOR}")
        foreach(case read_write_verify streams_and_timer missing_library driver_check)
            add_test(NAME cli_wine_${case}
                COMMAND ${CMAKE_COMMAND} -DCASE=${case} -DCLI=$<TARGET_FILE:rfprog-cli>
                        -DNO_CHECK_LIBRARY=$<TARGET_FILE:inpout32_sim_no_check>
                        -DRUNNER=${runner}
                        -DWORK=${CMAKE_CURRENT_BINARY_DIR}/cli-wine-${case}
                        -P ${CMAKE_CURRENT_SOURCE_DIR}/tests/cli/wine_cli_test.cmake)
            rfprog_wine_test(cli_wine_${case})
        endforeach()
        # At a console: the answer "no" and Ctrl-C at a question.
        add_test(NAME cli_wine_console
            COMMAND sh ${CMAKE_CURRENT_SOURCE_DIR}/tests/cli/wine_console_test.sh
                    ${CMAKE_CURRENT_BINARY_DIR}/cli-wine-console $<TARGET_FILE:rfprog-cli>
                    ${CMAKE_CROSSCOMPILING_EMULATOR})
        rfprog_wine_test(cli_wine_console)
        add_dependencies(rfprog-cli inpout32_sim inpout32_sim_no_check)
    endif()
    return()
endif()

# The bash completion script, written by a program of its own from the lists that --help
# is made of (cli/usage.h).
add_executable(make_bash_completion cli/make_bash_completion.cpp)
target_include_directories(make_bash_completion PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
target_compile_options(make_bash_completion PRIVATE ${RFPROG_PRODUCT_FLAGS})
set(RFPROG_BASH_COMPLETION ${CMAKE_BINARY_DIR}/completion/rfprog-cli)
add_custom_command(OUTPUT ${RFPROG_BASH_COMPLETION}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/completion
    COMMAND make_bash_completion ${RFPROG_BASH_COMPLETION}
    DEPENDS make_bash_completion
    COMMENT "Writing the bash completion script"
    VERBATIM)
add_custom_target(rfprog-cli-completion ALL DEPENDS ${RFPROG_BASH_COMPLETION})

# Native tests: the built program as a process.
file(GLOB RFPROG_CLI_TEST_SOURCES CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/tests/cli/*.cpp)
add_executable(cli_tests ${RFPROG_CLI_TEST_SOURCES})
target_include_directories(cli_tests PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
target_compile_definitions(cli_tests PRIVATE RFPROG_CLI_PATH="$<TARGET_FILE:rfprog-cli>"
    RFPROG_SOURCE_DIR="${CMAKE_CURRENT_SOURCE_DIR}" RFPROG_BASH_COMPLETION="${RFPROG_BASH_COMPLETION}")
target_link_libraries(cli_tests PRIVATE rfprog_cli_lib rfprog_sim rfprog_core rfprog_test_support
    GTest::gtest_main util)
target_compile_options(cli_tests PRIVATE ${RFPROG_WARNINGS})
add_dependencies(cli_tests rfprog-cli rfprog-cli-completion)
gtest_discover_tests(cli_tests DISCOVERY_TIMEOUT 30 PROPERTIES TIMEOUT 120)
