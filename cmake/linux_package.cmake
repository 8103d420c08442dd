# The Debian package rfprog-cli_<version>_amd64.deb, made by CPack from a release build:
#
#   cmake -S . -B build/release -DCMAKE_BUILD_TYPE=Release
#   cmake --build build/release -j2 && (cd build/release && cpack -G DEB)
#
# It holds /usr/bin/rfprog-cli, the man page rfprog-cli.1, the systemd unit
# rfprog-idle@.service with the udev rule that makes the ports systemd devices (neither
# enabled nor started by the package) and, in /usr/share/doc/rfprog-cli, the README and
# the licence (copyright); it depends on exactly the libraries the program links, as
# dpkg-shlibdeps finds them.
#
# Read at the end of the configuration (cmake/linux_ports.cmake defers it), once
# cmake/cli.cmake has made rfprog-cli.
if(NOT TARGET rfprog-cli)
    return()
endif()

include(GNUInstallDirs)
set(RFPROG_DEB_DOC_DIR ${CMAKE_INSTALL_DATAROOTDIR}/doc/rfprog-cli)

# Man pages are installed compressed with gzip -9n, as Debian packages keep them.
set(RFPROG_MAN_PAGE ${CMAKE_BINARY_DIR}/man/rfprog-cli.1.gz)
add_custom_command(OUTPUT ${RFPROG_MAN_PAGE}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/man
    COMMAND ${CMAKE_COMMAND} -E copy ${CMAKE_SOURCE_DIR}/docs/rfprog-cli.1
            ${CMAKE_BINARY_DIR}/man/rfprog-cli.1
    COMMAND gzip -9nf ${CMAKE_BINARY_DIR}/man/rfprog-cli.1
    DEPENDS ${CMAKE_SOURCE_DIR}/docs/rfprog-cli.1
    COMMENT "Compressing the man page rfprog-cli.1"
    VERBATIM)
add_custom_target(rfprog-cli-man ALL DEPENDS ${RFPROG_MAN_PAGE})

install(TARGETS rfprog-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${RFPROG_MAN_PAGE} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${CMAKE_SOURCE_DIR}/README.md DESTINATION ${RFPROG_DEB_DOC_DIR})
install(FILES ${CMAKE_SOURCE_DIR}/LICENSE DESTINATION ${RFPROG_DEB_DOC_DIR} RENAME copyright)
# Where Debian 12's packages keep them, outside the /usr prefix.
install(FILES ${CMAKE_SOURCE_DIR}/linux/rfprog-idle@.service DESTINATION /lib/systemd/system)
install(FILES ${CMAKE_SOURCE_DIR}/linux/60-rfprog-parport.rules DESTINATION /lib/udev/rules.d)

set(RFPROG_DEB_MAINTAINER "rfprog maintainers" CACHE STRING
    "The Maintainer field of the Debian package")
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME rfprog-cli)
set(CPACK_PACKAGE_VERSION ${rfprog_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "command-line programmer for 573RF2/573RF5 EPROMs on a parallel port")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION # follows the summary line
    "rfprog-cli drives the EPROM programmer board for 2 KB ROMs of the types\n\
573RF2 and 573RF5: it reads, programs and verifies a ROM or a block of it,\n\
loads the ROM emulator, checks that a ROM is erased and tests the board's\n\
programming-pulse timer. It reaches the port through /dev/parportN or through\n\
raw port I/O for cards at any address.")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${RFPROG_DEB_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT) # rfprog-cli_<version>_<architecture>.deb
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
include(CPack)

# The package test: a release build of its own beside this one, then the package's
# files and control fields.
# Once per test run is enough: the sanitizer build leaves it to the native one.
find_program(RFPROG_DPKG_DEB dpkg-deb)
if(RFPROG_SANITIZE)
elseif(RFPROG_DPKG_DEB)
    add_test(NAME linux_deb_package
        COMMAND sh ${CMAKE_SOURCE_DIR}/tests/check-deb.sh ${CMAKE_COMMAND} ${CMAKE_CPACK_COMMAND}
                ${CMAKE_CXX_COMPILER} ${CMAKE_SOURCE_DIR} ${CMAKE_BINARY_DIR}/deb ${rfprog_VERSION})
    set_tests_properties(linux_deb_package PROPERTIES TIMEOUT 900 LABELS package)
else()
    message(STATUS "dpkg-deb not found: the Debian package test is left out")
endif()
