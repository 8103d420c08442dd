#!/usr/bin/env bash
# Builds rfprog.exe and opens the programmer window on the simulated board under
# Wine: the shipped 32-bit exe where the host runs 32-bit programs, else the 64-bit
# build of the same sources. Without a display it starts a virtual one, saves a
# screenshot of the window and closes it again. The simulated ROM is kept in
# build/sim/rom.bin unless RFPROG_SIM_ROM says otherwise.
set -euo pipefail
source "$(dirname "$0")/common.sh"

"$root/scripts/setup.sh" || fail_step "installing the build packages" \
    "run scripts/setup.sh on its own and read apt-get's message"
if host_runs_32bit; then
    preset=windows bits=32 build=$windows_build
    echo "Showing the 32-bit rfprog.exe (the shipped build)."
else
    preset=windows-x64 bits=64 build=$windows64_build
    echo "Showing the 64-bit rfprog.exe: this host does not run 32-bit programs."
fi
cmake --preset "$preset" -S "$root" >/dev/null || fail_step "configuring the $preset build" "read CMake's message above"
cmake --build --preset "$preset" --target rfprog inpout32_sim >/dev/null ||
    fail_step "building rfprog.exe ($preset)" "run 'cmake --build --preset $preset' to see the errors"
wine_environment "$build/wineprefix" "$bits"
sh "$root/scripts/wine-prefix.sh" "$WINEPREFIX" "$bits" ||
    fail_step "creating the Wine prefix $WINEPREFIX" "check that Wine runs: $wine_loader --version"

mkdir -p "$root/build/sim"
export RFPROG_SIM_ROM="${RFPROG_SIM_ROM:-$root/build/sim/rom.bin}"
echo "Simulated ROM: $RFPROG_SIM_ROM"

if [ -n "${DISPLAY:-}" ]; then
    cd "$build/bin"
    exec "$wine_loader" rfprog.exe
fi

trap stop_private_services EXIT
uses_prefix "$WINEPREFIX"
start_xvfb || fail_step "starting the virtual display (Xvfb)" "check that xvfb is installed"
(cd "$build/bin" && exec "$wine_loader" rfprog.exe) &
title="Программатор ПЗУ 573РФ2/573РФ5"
window=""
for _ in $(seq 100); do
    window=$(xwininfo -root -tree 2>/dev/null | grep -F "\"$title\"" | awk '{print $1}' | head -n 1 || true)
    [ -n "$window" ] && break
    sleep 0.1
done
if [ -z "$window" ]; then
    fail_step "the programmer window did not appear" \
        "run it by hand to see Wine's message: RFPROG_WINEDEBUG=err+all sh scripts/wine.sh $WINEPREFIX $bits $build/bin/rfprog.exe"
fi
sleep 0.5 # let the dialog paint
screenshot="$root/build/rfprog-window.png"
import -window "$window" "$screenshot" || fail_step "taking the screenshot" "check that imagemagick is installed"
echo "The programmer window is up on the simulated board; screenshot: $screenshot"
