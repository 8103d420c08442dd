#!/usr/bin/env bash
# Builds rfprog.exe and opens the programmer window on the simulated board under
# Wine. Without a display it starts a virtual one, saves a screenshot of the
# window and closes it again. The simulated ROM is kept in build/sim/rom.bin
# unless RFPROG_SIM_ROM says otherwise.
set -euo pipefail
source "$(dirname "$0")/common.sh"

"$root/scripts/setup.sh"
cmake --preset windows -S "$root" >/dev/null
cmake --build --preset windows --target rfprog inpout32_sim >/dev/null
bash "$root/scripts/wine-prefix.sh" "$WINEPREFIX"

mkdir -p "$root/build/sim"
export RFPROG_SIM_ROM="${RFPROG_SIM_ROM:-$root/build/sim/rom.bin}"
echo "Simulated ROM: $RFPROG_SIM_ROM"

if [ -n "${DISPLAY:-}" ]; then
    cd "$windows_build/bin"
    exec wine rfprog.exe
fi

trap stop_private_services EXIT
start_xvfb
(cd "$windows_build/bin" && wine rfprog.exe) &
title="Программатор ПЗУ 573РФ2/573РФ5"
window=""
for _ in $(seq 100); do
    window=$(xwininfo -root -tree 2>/dev/null | grep -F "\"$title\"" | awk '{print $1}' | head -n 1 || true)
    [ -n "$window" ] && break
    sleep 0.1
done
if [ -z "$window" ]; then
    echo "The programmer window did not appear." >&2
    exit 1
fi
sleep 0.5 # let the dialog paint
screenshot="$root/build/rfprog-window.png"
import -window "$window" "$screenshot"
echo "The programmer window is up on the simulated board; screenshot: $screenshot"
