#!/bin/sh
# Builds rfprog-cli's Debian package from a release build of its own and checks it: the
# files it holds, its control fields, that it depends on exactly the packages of the
# libraries the program links, that the program and the man page in it work, and that
# apt would install it here.
#
#   check-deb.sh CMAKE CPACK CXX SOURCE_DIR WORK_DIR VERSION
set -eu
cmake_command=$1 cpack_command=$2 compiler=$3 source=$4 work=$5 version=$6
build=$work/release
extracted=$work/extracted

fail() {
    echo "check-deb: $*" >&2
    exit 1
}

# The release build makes only what the package holds: cpack would otherwise build
# every target first.
"$cmake_command" -S "$source" -B "$build" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_CXX_COMPILER="$compiler" -DCMAKE_SKIP_INSTALL_ALL_DEPENDENCY=ON >/dev/null
"$cmake_command" --build "$build" -j2 --target rfprog-cli rfprog-cli-man >/dev/null
rm -f "$build"/rfprog-cli_*.deb
(cd "$build" && "$cpack_command" -G DEB >/dev/null)

architecture=$(dpkg --print-architecture)
deb=$build/rfprog-cli_${version}_${architecture}.deb
[ -f "$deb" ] || fail "no $deb; the build folder holds: $(ls "$build")"
echo "package: $(basename "$deb"), $(wc -c <"$deb") bytes"

# Exactly these files, the directories aside.
files=$(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ { print $6 }' | sort)
expected=$(printf '%s\n' ./lib/systemd/system/rfprog-idle@.service \
    ./lib/udev/rules.d/60-rfprog-parport.rules ./usr/bin/rfprog-cli \
    ./usr/share/doc/rfprog-cli/README.md ./usr/share/doc/rfprog-cli/copyright \
    ./usr/share/man/man1/rfprog-cli.1.gz | sort)
[ "$files" = "$expected" ] || fail "files are
$files
expected
$expected"
dpkg-deb -c "$deb" | awk '$6 == "./usr/bin/rfprog-cli" && $1 != "-rwxr-xr-x" { exit 1 }' ||
    fail "/usr/bin/rfprog-cli is not rwxr-xr-x"

field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = rfprog-cli ] || fail "Package: $(field Package)"
[ "$(field Version)" = "$version" ] || fail "Version: $(field Version)"
[ "$(field Architecture)" = "$architecture" ] || fail "Architecture: $(field Architecture)"
[ -n "$(field Maintainer)" ] || fail "no Maintainer"
field Description | grep -q 573RF2 || fail "Description: $(field Description)"

rm -rf "$extracted"
dpkg-deb -x "$deb" "$extracted"
program=$extracted/usr/bin/rfprog-cli

# Depends: one entry per package that holds a library the program links, and no other.
depends=$(field Depends | tr ',' '\n' | sed 's/^ *//; s/ .*//' | sort -u)
linked=$(objdump -p "$program" | awk '$1 == "NEEDED" { print $2 }' | while read -r library; do
    path=$(ldconfig -p | awk -v l="$library" '$1 == l { print $NF; exit }')
    [ -n "$path" ] || fail "$library, which the program links, is not installed here"
    dpkg -S "$(readlink -f "$path")" 2>/dev/null || dpkg -S "$path"
done | sed 's/:.*//' | sort -u)
[ -n "$depends" ] || fail "no Depends"
[ "$depends" = "$linked" ] || fail "Depends names
$depends
but the program links libraries of
$linked"

# What the package holds works.
"$program" --help | grep -q -- "--port PORT" || fail "rfprog-cli --help does not describe --port"
[ "$("$program" --version)" = "rfprog-cli $version" ] ||
    fail "rfprog-cli --version says $("$program" --version), not rfprog-cli $version"

# The idle unit: the program from the package on the device of the instance, once that
# device is there, and nothing that enables it (no maintainer scripts at all).
unit=$extracted/lib/systemd/system/rfprog-idle@.service
grep -qx 'ExecStart=/usr/bin/rfprog-cli --port /dev/%i idle' "$unit" || fail "the unit's ExecStart"
grep -qx 'Type=oneshot' "$unit" || fail "the unit is not Type=oneshot"
for dependency in BindsTo After WantedBy; do
    grep -qx "$dependency=dev-%i.device" "$unit" || fail "the unit has no $dependency=dev-%i.device"
done
grep -qx 'SUBSYSTEM=="ppdev", KERNEL=="parport\[0-9\]\*", TAG+="systemd"' \
    "$extracted/lib/udev/rules.d/60-rfprog-parport.rules" || fail "the udev rule"
control=$work/control
rm -rf "$control"
dpkg-deb -e "$deb" "$control"
for script in preinst postinst prerm postrm; do
    [ ! -e "$control/$script" ] || fail "the package has a $script"
done
gzip -dc "$extracted/usr/share/man/man1/rfprog-cli.1.gz" | grep -q '^\.TH RFPROG-CLI 1' ||
    fail "the man page has no .TH line"
cmp -s "$source/LICENSE" "$extracted/usr/share/doc/rfprog-cli/copyright" ||
    fail "the copyright file is not the licence"
if command -v man >/dev/null; then
    man -l "$extracted/usr/share/man/man1/rfprog-cli.1.gz" 2>/dev/null | grep -q "EXIT STATUS" ||
        fail "man cannot show the man page"
fi

# apt would install it with what this system has or can fetch (a simulation: nothing is
# installed).
if command -v apt-get >/dev/null; then
    apt-get install --simulate --no-download -q "$deb" 2>&1 | grep -q '^Inst rfprog-cli ' ||
        fail "apt-get would not install the package: $(apt-get install --simulate "$deb" 2>&1)"
fi
echo "check-deb: $(basename "$deb") holds the program, its man page, the idle unit," \
    "its udev rule, README and copyright;" \
    "Depends: $(field Depends)"
