#!/usr/bin/env bash
# Regenerates the screenshots of the operator guide, docs/images/*.png, from the
# real rfprog.exe under Wine on the simulated board (the build's bin/inpout32.dll).
# It starts its own Xvfb on a free display, makes its own Wine prefix
# with a Russian locale (so the system's buttons read "Да", "Нет", "ОК" as on a
# Russian Windows) and Wine's own fonts, drives the window with a tiny Win32
# helper built here, and crops each picture to the window or message box.
#
#   scripts/screenshots.sh [BUILD_DIR]     (default: build/windows, built already;
#                                           build/windows-x64 where 32-bit programs
#                                           cannot run)
#
# Needs: wine, xvfb, imagemagick, fonts-wine, locales, and the MinGW-w64 C
# compiler of the build's architecture.
set -euo pipefail
source "$(dirname "$0")/common.sh"
build=$(cd "${1:-$root/build/windows}" && pwd)
images="$root/docs/images"
if [ -f "$build/bin/inpoutx64.dll" ]; then
    bits=64 port_library=inpoutx64.dll compiler=x86_64-w64-mingw32-gcc
else
    bits=32 port_library=inpout32.dll compiler=i686-w64-mingw32-gcc
fi
for file in "$build/bin/rfprog.exe" "$build/bin/$port_library"; do
    [ -f "$file" ] || { echo "screenshots: $file is missing; build the windows preset first" >&2; exit 1; }
done
if ! ls /usr/share/wine/fonts/*.ttf >/dev/null 2>&1; then
    echo "screenshots: Wine's fonts are missing (apt-get install fonts-wine)" >&2
    exit 1
fi

work=$(mktemp -d)
wine_environment "$work/prefix" "$bits"
uses_prefix "$WINEPREFIX"
cleanup() {
    stop_private_services
    rm -rf "$work"
}
trap cleanup EXIT

# A Russian UTF-8 locale of our own, without touching the system's locales.
mkdir -p "$work/locale"
localedef -i ru_RU -f UTF-8 "$work/locale/ru_RU.UTF-8" >/dev/null 2>&1 ||
    [ -f "$work/locale/ru_RU.UTF-8/LC_CTYPE" ] ||
    { echo "screenshots: localedef could not make ru_RU.UTF-8 (apt-get install locales)" >&2; exit 1; }
export LOCPATH="$work/locale" LANG=ru_RU.UTF-8

start_xvfb

sh "$root/scripts/wine-prefix.sh" "$WINEPREFIX" "$bits" >/dev/null
cp /usr/share/wine/fonts/* "$WINEPREFIX/drive_c/windows/Fonts/"

# The helper: finds the main window by its controls and the message box that it
# owns, posts clicks, fills fields, answers boxes and prints a window's rectangle
# as WxH+X+Y.
cat >"$work/shot.c" <<'EOF'
#include <windows.h>
#include <stdio.h>
#include <stdlib.h>

#include "ui/resource_ids.h"

static HWND found;

static BOOL CALLBACK findMain(HWND window, LPARAM unused) {
    (void)unused;
    if (GetDlgItem(window, IDC_BLANK) && GetDlgItem(window, IDC_EMULATOR) && IsWindowVisible(window)) {
        found = window;
        return FALSE;
    }
    return TRUE;
}

static BOOL CALLBACK findBox(HWND window, LPARAM owner) {
    wchar_t name[16];
    if (GetWindow(window, GW_OWNER) == (HWND)owner && IsWindowVisible(window) &&
        GetClassNameW(window, name, 16) && lstrcmpW(name, L"#32770") == 0) {
        found = window;
        return FALSE;
    }
    return TRUE;
}

static HWND waitFor(WNDENUMPROC test, LPARAM parameter) {
    for (int i = 0; i < 300; ++i) {
        found = NULL;
        EnumWindows(test, parameter);
        if (found) {
            Sleep(400); /* let it paint */
            return found;
        }
        Sleep(50);
    }
    fprintf(stderr, "shot: the window did not appear\n");
    exit(1);
}

static void post(HWND window, int id, HWND control) {
    PostMessageW(window, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), (LPARAM)control);
}

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) {
        return 2;
    }
    HWND main = waitFor(findMain, 0);
    int id = argc > 2 ? _wtoi(argv[2]) : 0;
    if (!lstrcmpW(argv[1], L"rect") || !lstrcmpW(argv[1], L"box")) {
        HWND window = lstrcmpW(argv[1], L"box") ? main : waitFor(findBox, (LPARAM)main);
        RECT r;
        GetWindowRect(window, &r);
        printf("%ldx%ld+%ld+%ld\n", r.right - r.left, r.bottom - r.top, r.left, r.top);
    } else if (!lstrcmpW(argv[1], L"click")) {
        post(main, id, GetDlgItem(main, id));
    } else if (!lstrcmpW(argv[1], L"tick")) {
        SendMessageW(GetDlgItem(main, id), BM_SETCHECK, BST_CHECKED, 0);
        post(main, id, GetDlgItem(main, id));
    } else if (!lstrcmpW(argv[1], L"text") && argc > 3) {
        SetDlgItemTextW(main, id, argv[3]);
    } else if (!lstrcmpW(argv[1], L"answer")) {
        HWND box = waitFor(findBox, (LPARAM)main);
        post(box, id, NULL);
        for (int i = 0; i < 100 && IsWindow(box); ++i) {
            Sleep(50);
        }
    } else {
        return 2;
    }
    Sleep(200);
    return 0;
}
EOF
"$compiler" -municode -O2 -s -I "$root" -o "$work/shot.exe" "$work/shot.c"
shot() { "$wine_loader" "$work/shot.exe" "$@"; }

# The controls and buttons by the program's own names.
eval "$(sed -n 's/^#define \(ID[A-Z_]*\) \([0-9][0-9]*\)$/\1=\2/p' "$root/ui/resource_ids.h")"
IDOK=1 IDCANCEL=2 IDYES=6

# capture NAME GEOMETRY: the screen, cropped to the window.
capture() {
    import -window root -crop "$2" +repage -define png:exclude-chunks=date,time "$images/$1.png"
    echo "screenshots: docs/images/$1.png ($2)"
}

# An image file on drive C: of the prefix, 2 KB of varied bytes.
mkdir -p "$WINEPREFIX/drive_c/ROM"
head -c 2048 /dev/urandom >"$WINEPREFIX/drive_c/ROM/monitor.bin"

mkdir -p "$images"
rm -f "$images"/*.png
(cd "$work" && exec "$wine_loader" "$build/bin/rfprog.exe") &
program=$!

shot text "$IDC_FILENAME" 'C:\ROM\monitor.bin'
capture main-window "$(shot rect)"

shot click "$IDC_WRITE" # "Писать"
capture message-write-confirm "$(shot box)"
shot answer "$IDYES"
capture message-write-done "$(shot box)"
shot answer "$IDOK"

shot click "$IDC_CALIBRATE" # "Калибровка"
capture message-calibration-confirm "$(shot box)"
shot answer "$IDYES"
capture message-calibration-voltage "$(shot box)"
shot answer "$IDOK"

shot text "$IDC_FILENAME" 'C:\ROM\missing.bin'
shot click "$IDC_COMPARE" # "Сравнить" with a file that does not exist
capture message-file-error "$(shot box)"
shot answer "$IDOK"

shot text "$IDC_FILENAME" 'C:\ROM\image4k.bin'
shot tick "$IDC_EXTRA" # "Дополнительные параметры"
shot text "$IDC_FILE_OFFSET" 800
shot text "$IDC_ROM_OFFSET" 0
shot text "$IDC_LENGTH" 800
capture extra-parameters "$(shot rect)"

shot click "$IDCANCEL" # "Выход"
wait "$program"
echo "screenshots: done"
