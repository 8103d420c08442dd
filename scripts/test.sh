#!/usr/bin/env bash
# Builds everything and runs every test: the native suite, the same suite under
# the sanitizers, short fuzzing runs, and the Win32 build's tests under Wine in a
# private virtual display.
set -euo pipefail
source "$(dirname "$0")/common.sh"
cd "$root"

"$root/scripts/setup.sh"

stage() { printf '\n=== %s\n' "$*"; }

stage "native build and tests"
cmake --preset native >/dev/null
cmake --build --preset native
ctest --preset native

stage "sanitizer build and tests"
cmake --preset asan >/dev/null
cmake --build --preset asan
ctest --preset asan

if [ -x "$root/scripts/fuzz.sh" ]; then
    stage "fuzzing, ${RFPROG_FUZZ_SECONDS:-30} s per target"
    "$root/scripts/fuzz.sh" "${RFPROG_FUZZ_SECONDS:-30}"
fi

stage "Win32 build and tests under Wine"
cmake --preset windows >/dev/null
cmake --build --preset windows
trap stop_private_services EXIT
start_xvfb
ctest --preset windows
