# The suites' shared support (tests/support/): port traffic, its trace text and the
# expected-traffic builders, test data, files and folders, and the product's texts.
# Header-only, so that the native suites and the Win32 end-to-end harness use the same
# code. Its traffic comparison reports through GoogleTest; the fuzz targets, which do not
# link GoogleTest, use the rest and need only its headers.
add_library(rfprog_test_support INTERFACE)
target_include_directories(rfprog_test_support INTERFACE ${CMAKE_SOURCE_DIR})
if(TARGET GTest::gtest)
    set(RFPROG_TEST_SUPPORT_GTEST GTest::gtest)
else()
    set(RFPROG_TEST_SUPPORT_GTEST gtest)
endif()
target_include_directories(rfprog_test_support INTERFACE
    $<TARGET_PROPERTY:${RFPROG_TEST_SUPPORT_GTEST},INTERFACE_INCLUDE_DIRECTORIES>)
