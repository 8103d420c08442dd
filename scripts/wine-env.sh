# The one place that sets the Wine environment, for the scripts and for CTest.
# shellcheck shell=sh
#
#   wine_environment PREFIX BITS   exports WINEPREFIX, WINELOADER and the settings,
#                                  and sets $wine_loader to the program to run
#
# BITS is 32 or 64. A 64-bit build runs under the 64-bit loader directly: Debian's
# `wine` wrapper picks the 32-bit loader whenever wine32 is installed, even on a
# kernel that cannot run 32-bit programs.
wine_environment() {
    mkdir -p "$1"
    WINEPREFIX=$(cd "$1" && pwd) # Wine takes only an absolute prefix
    WINEDLLOVERRIDES="mscoree,mshtml=" # no installer prompts for .NET or Gecko
    WINEDEBUG=${RFPROG_WINEDEBUG:--all}
    LANG=C.UTF-8 # Wine maps file names through the locale: Cyrillic needs UTF-8
    export WINEPREFIX WINEDLLOVERRIDES WINEDEBUG LANG
    if [ "$2" = 64 ]; then
        wine_loader=/usr/lib/wine/wine64
        WINELOADER=$wine_loader
        export WINELOADER
    else
        wine_loader=wine
        unset WINELOADER
    fi
}

# True when this host runs 32-bit programs (some kernels have that switched off).
host_runs_32bit() {
    [ -x /usr/lib/wine/wine ] && /usr/lib/wine/wine --version >/dev/null 2>&1
}
