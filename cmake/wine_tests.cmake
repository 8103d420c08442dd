# Tests of the Win32 build. The test programs run under Wine (the cross-compiling
# emulator) in one Wine prefix per build folder, inside the X display that the
# test script provides.
set(RFPROG_WINE_PREFIX ${CMAKE_BINARY_DIR}/wineprefix)
set(RFPROG_WINE_ENVIRONMENT
    WINEPREFIX=${RFPROG_WINE_PREFIX}
    WINEDLLOVERRIDES=mscoree,mshtml=
    WINEDEBUG=-all
    LANG=C.UTF-8) # Wine maps file names through the locale: Cyrillic needs UTF-8

add_test(NAME wine_prefix
    COMMAND sh ${CMAKE_SOURCE_DIR}/scripts/wine-prefix.sh ${RFPROG_WINE_PREFIX})
set_tests_properties(wine_prefix PROPERTIES FIXTURES_SETUP wine TIMEOUT 120
    ENVIRONMENT "${RFPROG_WINE_ENVIRONMENT}")

function(rfprog_wine_test name)
    set_tests_properties(${name} PROPERTIES
        FIXTURES_REQUIRED wine
        ENVIRONMENT "${RFPROG_WINE_ENVIRONMENT}"
        TIMEOUT 300)
endfunction()

# The image-file suite, the same source as natively, against the Windows file services.
add_executable(win32_image_tests tests/common/image_file_test.cpp)
target_include_directories(win32_image_tests PRIVATE ${CMAKE_SOURCE_DIR})
target_link_libraries(win32_image_tests PRIVATE rfprog_core gtest_main)
target_compile_options(win32_image_tests PRIVATE ${RFPROG_WARNINGS})
target_link_options(win32_image_tests PRIVATE ${RFPROG_STATIC_LINK})
add_test(NAME win32_image_file COMMAND win32_image_tests)
rfprog_wine_test(win32_image_file)

# End-to-end: a Win32 test program that starts rfprog.exe on the simulated board
# and drives its window and message boxes.
file(GLOB RFPROG_E2E_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/e2e/*.cpp)
if(RFPROG_E2E_SOURCES)
    add_executable(e2e_tests ${RFPROG_E2E_SOURCES})
    target_include_directories(e2e_tests PRIVATE ${CMAKE_SOURCE_DIR})
    target_compile_definitions(e2e_tests PRIVATE UNICODE _UNICODE)
    target_link_libraries(e2e_tests PRIVATE gtest_main gdi32)
    target_compile_options(e2e_tests PRIVATE ${RFPROG_WARNINGS})
    target_link_options(e2e_tests PRIVATE ${RFPROG_STATIC_LINK})
    add_dependencies(e2e_tests rfprog inpout32_sim)
    # One ctest entry per area, chosen by GoogleTest filter, for clearer reporting; the
    # last entry runs every test that the others do not name, so none is left out. They
    # share one display and read message-box icons from the screen (tests/e2e/
    # message_box_icon.h), so they never run at the same time as each other.
    set(RFPROG_E2E_WINDOW "StartUp.*:MainWindow.*:Closing.*:Dispatch.*:FileDialog.*")
    set(RFPROG_E2E_READ
        "BlankCheck.*:ReadCommand.*:CompareCommand.*:BlockParameters.*:LongFileName.*")
    set(RFPROG_E2E_WRITE "WriteCommand.*:Calibration.*")
    add_test(NAME e2e_window COMMAND e2e_tests --gtest_filter=${RFPROG_E2E_WINDOW})
    add_test(NAME e2e_read_compare COMMAND e2e_tests --gtest_filter=${RFPROG_E2E_READ})
    add_test(NAME e2e_write_calibration COMMAND e2e_tests --gtest_filter=${RFPROG_E2E_WRITE})
    add_test(NAME e2e_other COMMAND e2e_tests
        --gtest_filter=-${RFPROG_E2E_WINDOW}:${RFPROG_E2E_READ}:${RFPROG_E2E_WRITE})
    foreach(test e2e_window e2e_read_compare e2e_write_calibration e2e_other)
        rfprog_wine_test(${test})
        set_tests_properties(${test} PROPERTIES RESOURCE_LOCK rfprog_display)
    endforeach()
endif()

# The exe itself: what it imports and how large it is.
add_test(NAME exe_imports_and_size
    COMMAND sh ${CMAKE_SOURCE_DIR}/tests/check-exe.sh $<TARGET_FILE:rfprog> ${CMAKE_OBJDUMP})
