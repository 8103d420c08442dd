#!/bin/sh
# Creates a Wine prefix for the tests once: no installer prompts, no window manager
# waits at exit, and a crash ends the process instead of showing a dialog.
#   wine-prefix.sh PREFIX [BITS]    BITS is 32 (the default) or 64
set -eu
. "$(dirname "$0")/wine-env.sh"
wine_environment "$1" "${2:-32}"
if [ -f "$WINEPREFIX/.rfprog-ready" ]; then
    exit 0
fi

if ! "$wine_loader" wineboot -i >/dev/null 2>&1; then
    echo "wine-prefix: 'wineboot -i' failed for $WINEPREFIX (${2:-32}-bit)." >&2
    echo "wine-prefix: check that Wine runs here: $wine_loader --version" >&2
    exit 1
fi
"$wine_loader" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1
"$wine_loader" reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
wineserver -w
touch "$WINEPREFIX/.rfprog-ready"
echo "Wine prefix ready: $WINEPREFIX"
