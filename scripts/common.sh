# Shared by the run and test scripts: the build folders, a private X display, and
# the Wine settings (scripts/wine-env.sh).
# shellcheck shell=bash

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
windows_build="$root/build/windows"
windows64_build="$root/build/windows-x64"
source "$root/scripts/wine-env.sh"
wine_environment "$windows_build/wineprefix" 32

started_xvfb=""
started_prefixes=()

# Reports a failed step and what to do, then ends the script.
fail_step() {
    echo "FAILED: $1" >&2
    echo "What to do: $2" >&2
    exit 1
}

# Starts Xvfb on the first free display number and exports DISPLAY.
start_xvfb() {
    local n=90
    while [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ]; do
        n=$((n + 1))
    done
    Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
    started_xvfb=$!
    export DISPLAY=":$n"
    local i
    for i in $(seq 50); do
        [ -e "/tmp/.X11-unix/X$n" ] && return 0
        sleep 0.1
    done
    echo "Xvfb did not start on :$n" >&2
    return 1
}

# Remembers a Wine prefix whose wineserver this script started, to stop it at the end.
uses_prefix() {
    started_prefixes+=("$1")
}

# Stops what this script started: its Xvfb and the wineservers of its own prefixes.
stop_private_services() {
    local prefix
    for prefix in "${started_prefixes[@]}"; do
        if [ -d "$prefix" ]; then
            WINEPREFIX="$prefix" wineserver -k >/dev/null 2>&1 || true
        fi
    done
    if [ -n "$started_xvfb" ]; then
        kill "$started_xvfb" 2>/dev/null || true
        wait "$started_xvfb" 2>/dev/null || true
        started_xvfb=""
    fi
}
