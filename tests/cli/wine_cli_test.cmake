# rfprog-cli.exe under Wine, run as a script: cmake -DCASE=... -DCLI=<exe> -DRUNNER=<the
# cross-compiling emulator, its parts joined by |> -DWORK=<folder> -P wine_cli_test.cmake
#   read_write_verify  --port lpt1 through the simulated port library beside the exe
#                      (whichever name it has in this build): write, verify, read back,
#                      and a mismatch; then a base address above 0x8000, and the
#                      standard forms of the command line
#   streams_and_timer  "-" as standard input and standard output, a question refused
#                      without a terminal, and a write stopped by a silent timer
#   missing_library    the exe alone in a folder: exit status 3 and one sentence
#   driver_check       the library's driver not open: exit status 3 and its sentence; a
#                      library without the check (-DNO_CHECK_LIBRARY=<dll>) is used as is
string(REPLACE "|" ";" runner "${RUNNER}")
get_filename_component(bin "${CLI}" DIRECTORY)
file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}")
set(failures 0)

# run_cli(<expected status> <text expected in the output> [INPUT <file>] [OUTPUT <file>]
#         ARGUMENT...): standard input from a file, standard output into one
function(run_cli status expected)
    cmake_parse_arguments(PARSE_ARGV 2 stream "" "INPUT;OUTPUT" "")
    set(streams)
    if(DEFINED stream_INPUT)
        list(APPEND streams INPUT_FILE "${stream_INPUT}")
    endif()
    if(DEFINED stream_OUTPUT)
        list(APPEND streams OUTPUT_FILE "${stream_OUTPUT}")
    else()
        list(APPEND streams OUTPUT_VARIABLE out)
    endif()
    execute_process(COMMAND ${runner} ${exe} ${stream_UNPARSED_ARGUMENTS} ${streams}
        WORKING_DIRECTORY "${WORK}" RESULT_VARIABLE result ERROR_VARIABLE err)
    message(STATUS "rfprog-cli ${stream_UNPARSED_ARGUMENTS} -> ${result}\n${out}${err}")
    string(FIND "${out}${err}" "${expected}" at)
    if(NOT result STREQUAL "${status}" OR at EQUAL -1)
        message(SEND_ERROR "expected status ${status} and \"${expected}\"")
    endif()
endfunction()

# The program in the build, its simulated ROM in WORK, and image.bin: the phrase repeated
# to 2048 bytes, also in ${text}.
macro(board_and_image phrase)
    set(exe "${CLI}")
    set(ENV{RFPROG_SIM_ROM} "${WORK}/rom.bin")
    set(ENV{LANG} "C.UTF-8")
    string(REPEAT "${phrase}" 200 text)
    string(SUBSTRING "${text}" 0 2048 text)
    file(WRITE "${WORK}/image.bin" "${text}")
endmacro()

if(CASE STREQUAL "read_write_verify")
    board_and_image("rfprog-cli under Wine. ")
    run_cli(0 "write: 2048 bytes at ROM 0x000 verified: 2048 programmed, 0 already held"
        --port lpt1 write image.bin)
    run_cli(0 "write: 2048 bytes at ROM 0x000 verified: 0 programmed, 2048 already held"
        --port lpt1 write image.bin)
    # Computed with Python's zlib and hashlib when the test was written.
    run_cli(0 "crc32 2BA30B88  sha1 cc6f4438191be7530ae3982c1fcf3ab4f6c974d2  sum16 DA86"
        --port lpt1 verify image.bin)
    run_cli(0 "rfprog-cli 1." --version)
    run_cli(0 "verify: 64 bytes at ROM 0x040 match the file"
        --port lpt1 verify image.bin --rom-offset 0x40 --file-offset 0x40 --length 64)
    run_cli(0 "read: 2048 bytes from ROM 0x000 written into back.bin" --port lpt1 read back.bin)
    file(READ "${WORK}/back.bin" back)
    if(NOT back STREQUAL text)
        message(SEND_ERROR "back.bin differs from image.bin")
    endif()
    file(WRITE "${WORK}/other.bin" "Another text entirely")
    run_cli(1 "differing bytes: " --port lpt1 verify other.bin --length 21)

    # A card above 0x8000: the library gets the full addresses of all three registers, and
    # the program's own trace, replaced rather than appended to, says the same. Nothing
    # answers there, so the verification fails.
    set(ENV{RFPROG_SIM_TRACE} "${WORK}/library-trace.txt")
    string(REPEAT "left over\n" 2000 old)
    file(WRITE "${WORK}/own-trace.txt" "${old}")
    run_cli(1 "write: the ROM does not match the file after programming"
        --port 0xD010 --trace "${WORK}/own-trace.txt" write image.bin --length 2)
    unset(ENV{RFPROG_SIM_TRACE})
    file(READ "${WORK}/library-trace.txt" library)
    file(READ "${WORK}/own-trace.txt" own)
    string(REPLACE "\r" "" own "${own}")
    string(FIND "${library}" "W D012 AA\nR D010 " at)
    string(FIND "${library}" "W D010 72\nW D012 04\n" data)
    string(FIND "${library}" "\nR D011 " status)
    if(at EQUAL -1 OR data EQUAL -1 OR status EQUAL -1 OR NOT library STREQUAL own)
        message(SEND_ERROR "the traces of --port 0xD010 differ or lack D012/D010:\n"
                           "library:\n${library}\nprogram:\n${own}")
    endif()

    # The command line through MinGW's getopt_long: "--", letter groups, --name=value;
    # abbreviations and a value given to a switch are refused as typed.
    run_cli(0 "read: 2048 bytes from ROM 0x000 written into -x.bin" --port=lpt1 read -- -x.bin)
    file(READ "${WORK}/-x.bin" back)
    if(NOT back STREQUAL text)
        message(SEND_ERROR "-x.bin differs from image.bin")
    endif()
    run_cli(2 "rfprog-cli: unknown option --forc" --port lpt1 --forc write image.bin)
    run_cli(2 "rfprog-cli: unknown option --force=1" --port lpt1 write image.bin --force=1)
    run_cli(2 "rfprog-cli: unknown option -y-" --port lpt1 blank -y-)
    run_cli(2 "rfprog-cli: option --length needs a value" --port lpt1 blank --length)
    run_cli(2 "rfprog-cli: --length -1: not a number" --port lpt1 blank --length -1)
    # Last, as its pulse programs a byte.
    run_cli(0 "(answered by --yes)" --port lpt1 -qy timer)
elseif(CASE STREQUAL "streams_and_timer")
    board_and_image("Through pipes. ")
    run_cli(0 "write: 2048 bytes at ROM 0x000 verified" --port lpt1 write image.bin)
    run_cli(0 "verify: 2048 bytes at ROM 0x000 match the file"
        INPUT "${WORK}/image.bin" --port lpt1 verify - --format raw)
    run_cli(0 "read: 2048 bytes from ROM 0x000"
        OUTPUT "${WORK}/out.bin" --port lpt1 read - --format raw)
    file(READ "${WORK}/out.bin" back)
    if(NOT back STREQUAL text)
        message(SEND_ERROR "read - put other bytes on standard output than the ROM holds")
    endif()
    run_cli(2 "timer asks the operator to act, but standard input is not a terminal"
        INPUT "${WORK}/image.bin" --port lpt1 timer)

    # A dead timer: one pulse started, the voltage off, nothing verified, no line named.
    file(REMOVE "${WORK}/rom.bin")
    set(ENV{RFPROG_SIM_TIMER} "never")
    set(ENV{RFPROG_SIM_TRACE} "${WORK}/trace.txt")
    run_cli(1 "write: stopped at ROM 0x000: the board's pulse timer did not answer; 0 bytes"
        --port lpt1 write image.bin)
    file(READ "${WORK}/trace.txt" trace)
    string(REGEX MATCHALL "W 37A 04" pulses "${trace}")
    list(LENGTH pulses pulse_count)
    if(NOT pulse_count EQUAL 1 OR NOT trace MATCHES "W 37A 00\n$")
        message(SEND_ERROR "a silent timer gave ${pulse_count} pulses or left the voltage on:\n"
                           "${trace}")
    endif()
elseif(CASE STREQUAL "missing_library")
    file(COPY "${CLI}" DESTINATION "${WORK}")
    get_filename_component(name "${CLI}" NAME)
    set(exe "${WORK}/${name}")
    run_cli(3 "rfprog-cli: port lpt1: the port library inpout" --port lpt1 blank)
    run_cli(3 ".dll was not found: put it beside rfprog-cli.exe" --port lpt1 blank)
elseif(CASE STREQUAL "driver_check")
    set(ENV{RFPROG_SIM_ROM} "${WORK}/rom.bin")
    set(ENV{RFPROG_SIM_FAULTS} "nodriver")
    set(ENV{LANG} "C.UTF-8")
    set(exe "${CLI}")
    run_cli(3 "did not open: run rfprog-cli once as administrator" --port lpt1 blank)
    # A library without the check is taken to have its driver open.
    unset(ENV{RFPROG_SIM_FAULTS})
    file(COPY "${CLI}" "${NO_CHECK_LIBRARY}" DESTINATION "${WORK}")
    get_filename_component(name "${CLI}" NAME)
    set(exe "${WORK}/${name}")
    run_cli(0 "blank: 2048 bytes at ROM 0x000 read FF" --port lpt1 blank)
else()
    message(FATAL_ERROR "unknown case ${CASE}")
endif()
