#!/bin/sh
# Checks that rfprog.exe still starts on Windows XP SP3: every function it
# imports is on the reviewed allow-list tests/xp-imports.txt (functions that
# Windows XP SP3 has), and it uses no delay-loaded imports that would escape
# this check. Prints the import list. A new import fails the check until it has
# been looked up and added to the list.
set -eu
exe=$1
allowed=$2
objdump=${3:-i686-w64-mingw32-objdump}

headers=$(mktemp)
list=$(mktemp)
trap 'rm -f "$headers" "$list"' EXIT
"$objdump" -p "$exe" >"$headers"

# "dll!Function" for every import, the DLL name in lower case; "dll!#N" for an
# import by ordinal.
imports=$(awk '
    /^[[:space:]]*DLL Name:/ { dll = tolower($3); next }
    /^$/ || /^The / { dll = "" }
    dll != "" && $1 ~ /^[0-9a-f]+$/ && NF == 3 { print dll "!" $3 }
    dll != "" && $1 ~ /^[0-9a-f]+$/ && NF == 2 && $2 ~ /^[0-9]+$/ { print dll "!#" $2 }
' "$headers" | LC_ALL=C sort)

count=$(printf '%s\n' "$imports" | grep -c . || true)
echo "imports of $(basename "$exe") ($count):"
printf '%s\n' "$imports" | sed 's/^/  /'
if [ "$count" -eq 0 ]; then
    echo "FAIL: no imports found; the objdump output was not understood"
    exit 1
fi

status=0
sed -e 's/^#.*//' -e 's/[[:space:]]#.*//' -e 's/[[:space:]]//g' "$allowed" | grep . | LC_ALL=C sort -u >"$list"
new=$(printf '%s\n' "$imports" | LC_ALL=C comm -23 - "$list")
if [ -n "$new" ]; then
    echo "FAIL: imports not on $(basename "$allowed") (check that Windows XP SP3 has them, then add them):"
    printf '%s\n' "$new" | sed 's/^/  /'
    status=1
fi

delay=$(awk '/Delay Import Directory/ { print $3 $4 }' "$headers")
if [ -n "$delay" ] && [ "$delay" != "0000000000000000" ]; then
    echo "FAIL: the exe has delay-loaded imports ($delay), which this check does not see"
    status=1
fi

if [ "$status" -eq 0 ]; then
    echo "PASS: all $count imports are on the Windows XP SP3 list"
fi
exit "$status"
