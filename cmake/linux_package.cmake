# The Debian package rfprog-cli_<version>_amd64.deb, made by CPack from a release build
# with Debian's build flags (the README's recipe, which scripts/test.sh runs as written
# and checks with tests/check-deb.sh and lintian).
#
# It holds /usr/bin/rfprog-cli, the man page rfprog-cli.1 in English and in Russian, the
# bash completion script (written by make_bash_completion, see cmake/cli.cmake), the systemd unit
# rfprog-idle@.service with the udev rule that makes the ports systemd devices (neither
# enabled nor started by the package), lintian's override for that unit and, in
# /usr/share/doc/rfprog-cli, the README, the changelog and the copyright file (made from
# LICENSE); it depends on exactly the libraries the program links, as dpkg-shlibdeps
# finds them.
#
# Read at the end of the configuration (cmake/linux_ports.cmake defers it), once
# cmake/cli.cmake has made rfprog-cli.
if(NOT TARGET rfprog-cli)
    return()
endif()

include(GNUInstallDirs)
set(RFPROG_DEB_DOC_DIR ${CMAKE_INSTALL_DATAROOTDIR}/doc/rfprog-cli)

# The man page and the changelog are installed compressed with gzip -9n, as Debian
# packages keep them.
function(rfprog_compressed source compressed)
    get_filename_component(folder ${compressed} DIRECTORY)
    get_filename_component(name ${source} NAME)
    add_custom_command(OUTPUT ${compressed}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${folder}
        COMMAND ${CMAKE_COMMAND} -E copy ${CMAKE_SOURCE_DIR}/${source} ${folder}/${name}
        COMMAND gzip -9nf ${folder}/${name}
        DEPENDS ${CMAKE_SOURCE_DIR}/${source}
        COMMENT "Compressing ${source}"
        VERBATIM)
endfunction()
set(RFPROG_MAN_PAGE ${CMAKE_BINARY_DIR}/man/rfprog-cli.1.gz)
set(RFPROG_RUSSIAN_MAN_PAGE ${CMAKE_BINARY_DIR}/man/ru/rfprog-cli.ru.1.gz)
set(RFPROG_DEB_CHANGELOG ${CMAKE_BINARY_DIR}/deb/changelog.gz)
rfprog_compressed(docs/rfprog-cli.1 ${RFPROG_MAN_PAGE})
rfprog_compressed(docs/rfprog-cli.ru.1 ${RFPROG_RUSSIAN_MAN_PAGE})
rfprog_compressed(linux/changelog ${RFPROG_DEB_CHANGELOG})
add_custom_target(rfprog-cli-documents ALL
    DEPENDS ${RFPROG_MAN_PAGE} ${RFPROG_RUSSIAN_MAN_PAGE} ${RFPROG_DEB_CHANGELOG})

# The changelog's latest entry names the version, which must be the project's, and the
# maintainer, who is the package's.
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
    ${CMAKE_SOURCE_DIR}/linux/changelog ${CMAKE_SOURCE_DIR}/LICENSE)
file(READ ${CMAKE_SOURCE_DIR}/linux/changelog changelog)
string(REGEX MATCH "^rfprog-cli \\(([^)]*)\\)" entry "${changelog}")
if(NOT CMAKE_MATCH_1 STREQUAL rfprog_VERSION)
    message(FATAL_ERROR "linux/changelog's latest entry is for ${CMAKE_MATCH_1}, not for "
                        "${rfprog_VERSION}: add an entry for this version")
endif()
string(REGEX MATCH "\n -- ([^\n]*>)  " entry "${changelog}")
set(RFPROG_DEB_MAINTAINER "${CMAKE_MATCH_1}")

# The copyright file in Debian's machine-readable form, with LICENSE's notice and text.
file(READ ${CMAKE_SOURCE_DIR}/LICENSE license)
string(REGEX MATCH "Copyright \\(c\\) ([^\n]*)\n\n(.*[^\n])\n*$" matched "${license}")
set(copyright_holders "${CMAKE_MATCH_1}")
string(REPLACE "\n\n" "\n.\n" license_text "${CMAKE_MATCH_2}")
string(REPLACE "\n" "\n " license_text " ${license_text}")
set(RFPROG_DEB_COPYRIGHT ${CMAKE_BINARY_DIR}/deb/copyright)
file(WRITE ${RFPROG_DEB_COPYRIGHT}
"Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/
Upstream-Name: rfprog
Upstream-Contact: ${RFPROG_DEB_MAINTAINER}

Files: *
Copyright: ${copyright_holders}
License: Expat

License: Expat
${license_text}
")

install(TARGETS rfprog-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${RFPROG_MAN_PAGE} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
# man -L ru looks in man/ru/man1.
install(FILES ${RFPROG_RUSSIAN_MAN_PAGE} DESTINATION ${CMAKE_INSTALL_MANDIR}/ru/man1
    RENAME rfprog-cli.1.gz)
install(FILES ${RFPROG_BASH_COMPLETION}
    DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/bash-completion/completions)
install(FILES ${CMAKE_SOURCE_DIR}/README.md ${RFPROG_DEB_CHANGELOG} ${RFPROG_DEB_COPYRIGHT}
    DESTINATION ${RFPROG_DEB_DOC_DIR})
install(FILES ${CMAKE_SOURCE_DIR}/linux/rfprog-cli.lintian-overrides
    DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/lintian/overrides RENAME rfprog-cli)
# Where Debian 12's packages keep them, outside the /usr prefix.
install(FILES ${CMAKE_SOURCE_DIR}/linux/rfprog-idle@.service DESTINATION /lib/systemd/system)
install(FILES ${CMAKE_SOURCE_DIR}/linux/60-rfprog-parport.rules DESTINATION /lib/udev/rules.d)

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

