#!/bin/sh
# Creates the Wine prefix for the tests once: no installer prompts, no window
# manager waits at exit, and a crash ends the process instead of showing a dialog.
set -eu
mkdir -p "$1"
prefix=$(cd "$1" && pwd) # Wine takes only an absolute prefix
export WINEPREFIX="$prefix" WINEDLLOVERRIDES="mscoree,mshtml=" WINEDEBUG=-all
if [ -f "$prefix/.rfprog-ready" ]; then
    exit 0
fi

wineboot -i >/dev/null 2>&1
wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1
wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
wineserver -w
touch "$prefix/.rfprog-ready"
echo "Wine prefix ready: $prefix"
