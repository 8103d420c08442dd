#!/usr/bin/env bash
# Builds everything and runs every test: the native suite, the same suite under the
# sanitizers, the Debian package as the README makes it (a release build with Debian's
# flags, its checks and its tests), short fuzzing runs, and the Windows builds' tests.
# The Wine suites run on the 64-bit build everywhere, and on the shipped 32-bit build
# where the host runs 32-bit programs; the shipped exe's static checks run everywhere.
set -euo pipefail
source "$(dirname "$0")/common.sh"
cd "$root"

"$root/scripts/setup.sh" || fail_step "installing the build and test packages" \
    "run scripts/setup.sh on its own and read apt-get's message"

stage() { printf '\n=== %s\n' "$*"; }

stage "native build and tests"
cmake --preset native >/dev/null || fail_step "configuring the native build" "read CMake's message above"
cmake --build --preset native || fail_step "the native build" "fix the compiler errors above"
ctest --preset native || fail_step "the native tests" "see the failing tests above"

stage "sanitizer build and tests"
cmake --preset asan >/dev/null || fail_step "configuring the sanitizer build" "read CMake's message above"
cmake --build --preset asan || fail_step "the sanitizer build" "fix the compiler errors above"
ctest --preset asan || fail_step "the tests under the sanitizers" "see the sanitizer report above"

stage "Debian package: the README's recipe on a clean copy of the sources, then its checks"
# The README's shell block that makes the package, run as it stands there: a release
# build of everything with Debian's build flags.
recipe=$(awk '/^```sh$/ { block = ""; inside = 1; next }
    inside && /^```$/ { inside = 0; if (block ~ /cpack -G DEB/) { printf "%s", block; exit } }
    inside { block = block $0 "\n" }' README.md)
[ -n "$recipe" ] || fail_step "finding the package recipe in README.md" "keep it in a sh block with cpack -G DEB"
package_source="$root/build/package-source"
rm -rf "$package_source"
mkdir -p "$package_source"
# The tracked and new files as they are now, without build folders or ignored files.
git ls-files -z --cached --others --exclude-standard |
    tar --null --ignore-failed-read -T - -cf - 2>/dev/null | tar -xf - -C "$package_source"
(cd "$package_source" && bash -euo pipefail -c "$recipe") ||
    fail_step "the README's package recipe" "read the messages above; the build is in $package_source/build/release"
sh "$root/tests/check-deb.sh" "$package_source" "$package_source"/build/release/rfprog-cli_*.deb ||
    fail_step "the Debian package's checks" "see the check-deb message above"
ctest --test-dir "$package_source/build/release" -j2 --output-on-failure ||
    fail_step "the tests of the release build with Debian's flags" "see the failing tests above"

if [ -x "$root/scripts/fuzz.sh" ]; then
    stage "fuzzing, ${RFPROG_FUZZ_SECONDS:-30} s per target"
    # Built here first so that a build failure is not reported as a crash found.
    cmake --preset fuzz >/dev/null || fail_step "configuring the fuzz build" "read CMake's message above"
    cmake --build --preset fuzz || fail_step "the fuzz build" "fix the compiler or linker errors above"
    "$root/scripts/fuzz.sh" "${RFPROG_FUZZ_SECONDS:-30}" ||
        fail_step "fuzzing" "the crash input is in build/fuzz/artifacts; see the report above"
fi

stage "Windows builds: 32-bit (shipped) and 64-bit"
cmake --preset windows >/dev/null || fail_step "configuring the 32-bit Windows build" "read CMake's message above"
cmake --build --preset windows || fail_step "the 32-bit Windows build" "fix the compiler errors above"
cmake --preset windows-x64 >/dev/null || fail_step "configuring the 64-bit Windows build" "read CMake's message above"
cmake --build --preset windows-x64 || fail_step "the 64-bit Windows build" "fix the compiler errors above"

stage "the shipped 32-bit exe: imports, size, XP imports, version, packages"
ctest --preset windows -L static || fail_step "the static checks of rfprog.exe" "see the failing checks above"

trap stop_private_services EXIT
start_xvfb || fail_step "starting the virtual display (Xvfb)" "check that xvfb is installed"

stage "Wine suites of the 64-bit build"
uses_prefix "$windows64_build/wineprefix"
ctest --preset windows-x64 -L wine || fail_step "the Wine suites of the 64-bit build" "see the failing tests above"
ran="64-bit build"
if host_runs_32bit; then
    stage "Wine suites of the 32-bit build"
    uses_prefix "$windows_build/wineprefix"
    ctest --preset windows -L wine || fail_step "the Wine suites of the 32-bit build" "see the failing tests above"
    ran="$ran and 32-bit build; none skipped"
else
    ran="$ran; 32-bit build skipped: this host does not run 32-bit programs (/usr/lib/wine/wine fails)"
fi
printf '\nWine suites ran on the %s\n' "$ran"
