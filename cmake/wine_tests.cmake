# Tests of the Windows build. The test programs run under Wine (the cross-compiling
# emulator, scripts/wine.sh) in the build folder's own prefix, inside the X display
# that the test script provides. Entries labelled "wine" need Wine; the others
# ("static") only read the built files.
add_test(NAME wine_prefix
    COMMAND sh ${CMAKE_SOURCE_DIR}/scripts/wine-prefix.sh ${RFPROG_WINE_PREFIX}
            ${RFPROG_WINDOWS_BITS})
set_tests_properties(wine_prefix PROPERTIES FIXTURES_SETUP wine TIMEOUT 120 LABELS wine)

function(rfprog_wine_test name)
    set_tests_properties(${name} PROPERTIES FIXTURES_REQUIRED wine TIMEOUT 300 LABELS wine)
endfunction()

# The image-file suite, the same source as natively, against the Windows file services.
add_executable(win32_image_tests tests/common/image_file_test.cpp)
target_include_directories(win32_image_tests PRIVATE ${CMAKE_SOURCE_DIR})
target_link_libraries(win32_image_tests PRIVATE rfprog_core rfprog_test_support gtest_main)
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
    target_link_libraries(e2e_tests PRIVATE rfprog_test_support gtest_main gdi32)
    target_compile_options(e2e_tests PRIVATE ${RFPROG_WARNINGS})
    target_link_options(e2e_tests PRIVATE ${RFPROG_STATIC_LINK})
    add_dependencies(e2e_tests rfprog inpout32_sim)
    # One ctest entry per test suite, found in the sources, so that no test is left out
    # and a failure names its area. An entry that runs no test fails. They share one
    # display and read message-box icons from the screen (tests/e2e/
    # message_box_icon.h), so they never run at the same time as each other.
    set(RFPROG_E2E_SUITES)
    foreach(source ${RFPROG_E2E_SOURCES})
        file(STRINGS ${source} lines REGEX "^TEST(_F)?\\([A-Za-z0-9_]+,")
        foreach(line ${lines})
            string(REGEX REPLACE "^TEST(_F)?\\(([A-Za-z0-9_]+),.*" "\\2" suite "${line}")
            list(APPEND RFPROG_E2E_SUITES ${suite})
        endforeach()
    endforeach()
    list(REMOVE_DUPLICATES RFPROG_E2E_SUITES)
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${RFPROG_E2E_SOURCES})
    foreach(suite ${RFPROG_E2E_SUITES})
        add_test(NAME e2e_${suite} COMMAND e2e_tests --gtest_filter=${suite}.*)
        rfprog_wine_test(e2e_${suite})
        set_tests_properties(e2e_${suite} PROPERTIES RESOURCE_LOCK rfprog_display
            FAIL_REGULAR_EXPRESSION "Running 0 tests")
    endforeach()
endif()

# The shipped exe itself: what it imports and how large it is.
if(RFPROG_WINDOWS_BITS EQUAL 32)
    add_test(NAME exe_imports_and_size
        COMMAND sh ${CMAKE_SOURCE_DIR}/tests/check-exe.sh $<TARGET_FILE:rfprog> ${CMAKE_OBJDUMP})
    set_tests_properties(exe_imports_and_size PROPERTIES LABELS static)
endif()
