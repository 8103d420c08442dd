# Release: the version header of the version resource, the release packages
# (`cmake --build --preset windows --target package`) and the release checks.
#
#   rfprog-<version>-win32.zip  for the operator: rfprog.exe, rfprog-cli.exe, the operator guides
#                               (text and web page) with their screenshots, INPOUT32.txt,
#                               LICENSE.txt
#   rfprog-<version>-sim.zip    for trying without hardware: rfprog.exe with the
#                               simulated inpout32.dll, SIMULATOR.txt, LICENSE.txt
#
# The port-access library itself is never packaged: the operator gets it from its
# own authors (INPOUT32.txt says so).
#
# This file also runs as a script, `cmake -DINPUT=a -DOUTPUT=b -P package.cmake`,
# which stages a text file for Windows: UTF-8 with a byte-order mark and CRLF line
# ends, so that Notepad on Windows XP shows the Russian text and the line breaks.
# With -DMARKDOWN=<converter> it makes a guide into a web page instead, which opens
# in any browser with its pictures; links between the guides lead to their pages.
if(CMAKE_SCRIPT_MODE_FILE AND DEFINED MARKDOWN)
    file(READ "${INPUT}" text)
    string(REGEX REPLACE "(operator-guide\\.[a-z]+)\\.md" "\\1.html" text "${text}")
    string(REGEX MATCH "^# ([^\n]*)" heading "${text}")
    set(title "${CMAKE_MATCH_1}")
    string(REGEX MATCH "\\.([a-z][a-z])\\.md$" language "${INPUT}")
    set(language "${CMAKE_MATCH_1}")
    file(WRITE "${OUTPUT}.md" "${text}")
    execute_process(COMMAND "${MARKDOWN}" --extension table --to html "${OUTPUT}.md"
        OUTPUT_VARIABLE body RESULT_VARIABLE result)
    file(REMOVE "${OUTPUT}.md")
    if(NOT result EQUAL 0)
        message(FATAL_ERROR "${MARKDOWN} could not convert ${INPUT}")
    endif()
    file(WRITE "${OUTPUT}" "<!DOCTYPE html>
<html lang=\"${language}\">
<head>
<meta charset=\"utf-8\">
<title>${title}</title>
<style>
body { font-family: Tahoma, Verdana, sans-serif; max-width: 52em; margin: 1em auto; padding: 0 1em; line-height: 1.4; }
table { border-collapse: collapse; margin: 0.5em 0; }
th, td { border: 1px solid #999; padding: 0.25em 0.5em; vertical-align: top; text-align: left; }
code { background: #eee; }
blockquote { border-left: 4px solid #ccc; margin-left: 0; padding-left: 1em; }
</style>
</head>
<body>
${body}</body>
</html>
")
    return()
endif()
if(CMAKE_SCRIPT_MODE_FILE)
    file(READ "${INPUT}" text)
    string(ASCII 239 187 191 bom)
    string(FIND "${text}" "${bom}" at)
    if(at EQUAL 0)
        string(SUBSTRING "${text}" 3 -1 text)
    endif()
    string(REPLACE "\r\n" "\n" text "${text}")
    string(REPLACE "\n" "\r\n" text "${text}")
    file(WRITE "${OUTPUT}" "${bom}${text}")
    return()
endif()

# The version: project(rfprog VERSION ...) is the only place where it is set.
foreach(part MAJOR MINOR PATCH TWEAK)
    if("${rfprog_VERSION_${part}}" STREQUAL "")
        set(RFPROG_VERSION_${part} 0)
    else()
        set(RFPROG_VERSION_${part} ${rfprog_VERSION_${part}})
    endif()
endforeach()
set(RFPROG_VERSION_NUMBERS
    ${RFPROG_VERSION_MAJOR}.${RFPROG_VERSION_MINOR}.${RFPROG_VERSION_PATCH}.${RFPROG_VERSION_TWEAK})
set(RFPROG_VERSION_TEXT ${rfprog_VERSION})
set(RFPROG_VERSION_HEADER ${CMAKE_BINARY_DIR}/resources/rfprog_version.h)
configure_file(${CMAKE_SOURCE_DIR}/resources/version.h.in ${RFPROG_VERSION_HEADER} @ONLY)
set_source_files_properties(${CMAKE_SOURCE_DIR}/resources/version.rc PROPERTIES
    OBJECT_DEPENDS ${RFPROG_VERSION_HEADER})

# The packages and the release checks are the shipped 32-bit program's.
if(NOT RFPROG_WINDOWS_BITS EQUAL 32)
    return()
endif()

# The packages.
find_program(RFPROG_MARKDOWN cmark-gfm)
if(NOT RFPROG_MARKDOWN)
    message(FATAL_ERROR "cmark-gfm, which makes the operator guides into web pages, is missing "
                        "(apt-get install cmark-gfm, or run scripts/setup.sh)")
endif()
set(RFPROG_RELEASE_NAME rfprog-${rfprog_VERSION})
set(RFPROG_PACKAGE_ZIP ${CMAKE_BINARY_DIR}/${RFPROG_RELEASE_NAME}-win32.zip)
set(RFPROG_SIM_PACKAGE_ZIP ${CMAKE_BINARY_DIR}/${RFPROG_RELEASE_NAME}-sim.zip)
set(RFPROG_PACKAGE_STAGE ${CMAKE_BINARY_DIR}/package)
file(GLOB RFPROG_GUIDE_IMAGES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/docs/images/*.png)
if(NOT RFPROG_GUIDE_IMAGES)
    message(FATAL_ERROR "docs/images holds no screenshots; run scripts/screenshots.sh")
endif()

# rfprog_stage_text(<list of commands> <source> <name in the package folder>)
function(rfprog_stage_text commands source destination)
    set(${commands} ${${commands}}
        COMMAND ${CMAKE_COMMAND} -DINPUT=${source} -DOUTPUT=${destination}
                -P ${CMAKE_SOURCE_DIR}/cmake/package.cmake
        PARENT_SCOPE)
endfunction()

set(operator_dir ${RFPROG_PACKAGE_STAGE}/${RFPROG_RELEASE_NAME})
set(operator_commands
    COMMAND ${CMAKE_COMMAND} -E rm -rf ${operator_dir} ${RFPROG_PACKAGE_ZIP}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${operator_dir}/images
    COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:rfprog> ${operator_dir}/rfprog.exe
    COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:rfprog-cli> ${operator_dir}/rfprog-cli.exe
    COMMAND ${CMAKE_COMMAND} -E copy ${RFPROG_GUIDE_IMAGES} ${operator_dir}/images/)
rfprog_stage_text(operator_commands ${CMAKE_SOURCE_DIR}/docs/operator-guide.ru.md
    ${operator_dir}/operator-guide.ru.md)
rfprog_stage_text(operator_commands ${CMAKE_SOURCE_DIR}/docs/operator-guide.en.md
    ${operator_dir}/operator-guide.en.md)
foreach(language ru en)
    list(APPEND operator_commands
        COMMAND ${CMAKE_COMMAND} -DMARKDOWN=${RFPROG_MARKDOWN}
                -DINPUT=${CMAKE_SOURCE_DIR}/docs/operator-guide.${language}.md
                -DOUTPUT=${operator_dir}/operator-guide.${language}.html
                -P ${CMAKE_SOURCE_DIR}/cmake/package.cmake)
endforeach()
rfprog_stage_text(operator_commands ${CMAKE_SOURCE_DIR}/docs/INPOUT32.txt ${operator_dir}/INPOUT32.txt)
rfprog_stage_text(operator_commands ${CMAKE_SOURCE_DIR}/LICENSE ${operator_dir}/LICENSE.txt)
add_custom_command(OUTPUT ${RFPROG_PACKAGE_ZIP}
    ${operator_commands}
    COMMAND ${CMAKE_COMMAND} -E chdir ${RFPROG_PACKAGE_STAGE}
            ${CMAKE_COMMAND} -E tar cf ${RFPROG_PACKAGE_ZIP} --format=zip ${RFPROG_RELEASE_NAME}
    DEPENDS rfprog rfprog-cli ${RFPROG_GUIDE_IMAGES} ${CMAKE_SOURCE_DIR}/docs/operator-guide.ru.md
            ${CMAKE_SOURCE_DIR}/docs/operator-guide.en.md ${CMAKE_SOURCE_DIR}/docs/INPOUT32.txt
            ${CMAKE_SOURCE_DIR}/LICENSE ${CMAKE_SOURCE_DIR}/cmake/package.cmake
    COMMENT "Operator package ${RFPROG_RELEASE_NAME}-win32.zip"
    VERBATIM)

set(sim_dir ${RFPROG_PACKAGE_STAGE}/${RFPROG_RELEASE_NAME}-sim)
set(sim_commands
    COMMAND ${CMAKE_COMMAND} -E rm -rf ${sim_dir} ${RFPROG_SIM_PACKAGE_ZIP}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${sim_dir}
    COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:rfprog> ${sim_dir}/rfprog.exe
    COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:inpout32_sim> ${sim_dir}/inpout32.dll)
rfprog_stage_text(sim_commands ${CMAKE_SOURCE_DIR}/docs/SIMULATOR.txt ${sim_dir}/SIMULATOR.txt)
rfprog_stage_text(sim_commands ${CMAKE_SOURCE_DIR}/LICENSE ${sim_dir}/LICENSE.txt)
add_custom_command(OUTPUT ${RFPROG_SIM_PACKAGE_ZIP}
    ${sim_commands}
    COMMAND ${CMAKE_COMMAND} -E chdir ${RFPROG_PACKAGE_STAGE}
            ${CMAKE_COMMAND} -E tar cf ${RFPROG_SIM_PACKAGE_ZIP} --format=zip ${RFPROG_RELEASE_NAME}-sim
    DEPENDS rfprog inpout32_sim ${CMAKE_SOURCE_DIR}/docs/SIMULATOR.txt ${CMAKE_SOURCE_DIR}/LICENSE
            ${CMAKE_SOURCE_DIR}/cmake/package.cmake
    COMMENT "Simulator package ${RFPROG_RELEASE_NAME}-sim.zip"
    VERBATIM)

add_custom_target(package DEPENDS ${RFPROG_PACKAGE_ZIP} ${RFPROG_SIM_PACKAGE_ZIP})

# Release checks; none of them needs Wine.
add_test(NAME release_version_resource
    COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/tests/check-version.py
            $<TARGET_FILE:rfprog> ${RFPROG_VERSION_NUMBERS} ${rfprog_VERSION})
add_test(NAME release_xp_imports
    COMMAND sh ${CMAKE_SOURCE_DIR}/tests/check-xp-imports.sh $<TARGET_FILE:rfprog>
            ${CMAKE_SOURCE_DIR}/tests/xp-imports.txt ${CMAKE_OBJDUMP})
add_test(NAME release_package_build
    COMMAND ${CMAKE_COMMAND} --build ${CMAKE_BINARY_DIR} --target package)
add_test(NAME release_package_contents
    COMMAND sh ${CMAKE_SOURCE_DIR}/tests/check-package.sh ${CMAKE_COMMAND} ${CMAKE_SOURCE_DIR}
            ${RFPROG_RELEASE_NAME} ${RFPROG_PACKAGE_ZIP} ${RFPROG_SIM_PACKAGE_ZIP}
            $<TARGET_FILE:rfprog> $<TARGET_FILE:inpout32_sim> $<TARGET_FILE:rfprog-cli>)
set_tests_properties(release_version_resource release_xp_imports release_package_build
    release_package_contents PROPERTIES LABELS static)
set_tests_properties(release_version_resource release_xp_imports PROPERTIES TIMEOUT 30)
set_tests_properties(release_package_build PROPERTIES FIXTURES_SETUP release_package TIMEOUT 300)
set_tests_properties(release_package_contents PROPERTIES
    FIXTURES_REQUIRED release_package TIMEOUT 60)
