#!/bin/sh
# Checks the built rfprog-cli.exe: a console program that imports system DLLs only, and
# small. The port library is loaded at run time, so that its absence is told in a
# sentence. One library call that can throw (string_view::substr, optional::value) brings
# the exception runtime along and about 240 KB with it; the limit catches that.
set -eu
exe=$1
objdump=$2

imports=$("$objdump" -p "$exe" | sed -n 's/^[[:space:]]*DLL Name: //p' | tr 'A-Z' 'a-z' | sort | tr '\n' ' ')
echo "imported DLLs: $imports"
if [ "$imports" != "kernel32.dll msvcrt.dll " ]; then
    echo "FAIL: expected exactly kernel32.dll and msvcrt.dll"
    exit 1
fi
subsystem=$("$objdump" -p "$exe" | awk '/^Subsystem/{print $2}')
echo "subsystem: $subsystem (3 = console)"
if [ "$subsystem" != "00000003" ]; then
    echo "FAIL: expected a console program"
    exit 1
fi
if ! grep -q "Out32" "$exe" || ! grep -q "IsInpOutDriverOpen" "$exe"; then
    echo "FAIL: the port library's functions are not looked up by name"
    exit 1
fi
size=$(wc -c < "$exe")
limit=262144
echo "size: $size bytes (limit $limit)"
if [ "$size" -gt "$limit" ]; then
    echo "FAIL: larger than $limit bytes: has a throwing library call brought in the exception runtime?"
    exit 1
fi
echo "PASS"
