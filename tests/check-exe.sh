#!/bin/sh
# Checks the built rfprog.exe: it imports exactly the Windows system DLLs it needs,
# msvcrt and inpout32.dll (nothing from the compiler's runtime), and its stripped
# size stays within 64 KiB.
set -eu
exe=$1
objdump=${2:-i686-w64-mingw32-objdump}
limit=65536

imports=$("$objdump" -p "$exe" | sed -n 's/^[[:space:]]*DLL Name: //p' | tr 'A-Z' 'a-z' | sort | tr '\n' ' ')
expected="comdlg32.dll inpout32.dll kernel32.dll msvcrt.dll user32.dll "
echo "imported DLLs: $imports"
if [ "$imports" != "$expected" ]; then
    echo "FAIL: expected exactly: $expected"
    exit 1
fi

functions=$("$objdump" -p "$exe" | awk '/DLL Name: inpout32.dll/{on=1;next} /DLL Name:/{on=0} on && NF==3 && $1 ~ /^[0-9a-f]+$/ {print $3}' | sort | tr '\n' ' ')
echo "inpout32.dll functions: $functions"
if [ "$functions" != "Inp32 Out32 " ]; then
    echo "FAIL: inpout32.dll must be imported as the undecorated Inp32 and Out32"
    exit 1
fi

subsystem=$("$objdump" -p "$exe" | awk '/^Subsystem/{print $2}')
version=$("$objdump" -p "$exe" | awk '/^MajorSubsystemVersion/{a=$2} /^MinorSubsystemVersion/{b=$2} END{print a "." b}')
echo "subsystem: $subsystem (2 = GUI), version $version"
if [ "$subsystem" != "00000002" ] || [ "$version" != "5.1" ]; then
    echo "FAIL: expected a GUI program for Windows 5.1 (XP)"
    exit 1
fi

stripped=$(mktemp)
trap 'rm -f "$stripped"' EXIT
"${objdump%objdump}strip" -o "$stripped" "$exe"
size=$(wc -c <"$stripped")
echo "stripped size: $size bytes (limit $limit)"
if [ "$size" -gt "$limit" ]; then
    echo "FAIL: the stripped exe is larger than 64 KiB"
    exit 1
fi
echo "PASS"
