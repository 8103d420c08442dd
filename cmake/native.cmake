# Native build: the portable logic and the simulated board under GoogleTest.
find_package(GTest REQUIRED)
include(GoogleTest)
include(cmake/test_support.cmake)

add_executable(native_tests
    tests/native/rom_device_test.cpp
    tests/native/port_choice_test.cpp
    tests/native/checksums_test.cpp
    tests/native/simulated_board_test.cpp
    tests/native/board_host_test.cpp
    tests/common/image_file_test.cpp
    tests/native/block_parameters_test.cpp
    tests/native/commands_test.cpp
    tests/native/record_file_test.cpp
    tests/native/diagnosis_test.cpp
    tests/native/selftest_diagnosis_test.cpp
    tests/native/plural_forms_test.cpp
    tests/native/cell_map_test.cpp
    tests/native/json_text_test.cpp)
target_include_directories(native_tests PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(native_tests PRIVATE rfprog_ui rfprog_cli_lib rfprog_sim rfprog_core
    rfprog_test_support GTest::gtest_main)
target_compile_options(native_tests PRIVATE ${RFPROG_WARNINGS})
gtest_discover_tests(native_tests DISCOVERY_TIMEOUT 30)

# Sanitizer, fuzzing and benchmark builds.
include(cmake/hardening.cmake OPTIONAL)
include(cmake/linux_ports.cmake OPTIONAL)
