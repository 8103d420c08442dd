#!/bin/sh
# Checks rfprog-cli's Debian package, as the README's recipe makes it: the files it
# holds, its control fields, that it depends on exactly the packages of the libraries the
# program links, that the program, the man pages, the bash completion and the changelog
# in it are right, that lintian finds nothing in it beyond the overrides it carries, and
# that apt would install it here.
#
#   check-deb.sh SOURCE_DIR DEB
set -eu
source=$1
deb=$(cd "$(dirname "$2")" && pwd)/$(basename "$2") # apt-get takes a package file by its path
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
extracted=$work/extracted

fail() {
    echo "check-deb: $*" >&2
    exit 1
}

# project(rfprog VERSION ...) is where the version is set.
version=$(sed -n 's/^project(rfprog VERSION \([0-9.]*\).*/\1/p' "$source/CMakeLists.txt")
[ -n "$version" ] || fail "no version in $source/CMakeLists.txt"
architecture=$(dpkg --print-architecture)
[ "$(basename "$deb")" = "rfprog-cli_${version}_${architecture}.deb" ] ||
    fail "$deb is not named rfprog-cli_${version}_${architecture}.deb"
[ -f "$deb" ] || fail "no $deb"
echo "package: $(basename "$deb"), $(wc -c <"$deb") bytes"

# Exactly these files, the directories aside.
files=$(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ { print $6 }' | sort)
expected=$(printf '%s\n' ./lib/systemd/system/rfprog-idle@.service \
    ./lib/udev/rules.d/60-rfprog-parport.rules ./usr/bin/rfprog-cli \
    ./usr/share/doc/rfprog-cli/README.md ./usr/share/doc/rfprog-cli/changelog.gz \
    ./usr/share/doc/rfprog-cli/copyright ./usr/share/lintian/overrides/rfprog-cli \
    ./usr/share/man/man1/rfprog-cli.1.gz ./usr/share/man/ru/man1/rfprog-cli.1.gz \
    ./usr/share/bash-completion/completions/rfprog-cli | sort)
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
field Maintainer | grep -Eqx '[^<>]+ <[^<>@ ]+@[^<>@ ]+>' ||
    fail "Maintainer is not 'Name <address>': $(field Maintainer)"
field Description | grep -q 573RF2 || fail "Description: $(field Description)"

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
dpkg-deb -e "$deb" "$control"
for script in preinst postinst prerm postrm; do
    [ ! -e "$control/$script" ] || fail "the package has a $script"
done
for page in man1 ru/man1; do
    gzip -dc "$extracted/usr/share/man/$page/rfprog-cli.1.gz" | grep -q '^\.TH RFPROG-CLI 1' ||
        fail "the man page in $page has no .TH line"
done
# The completion script is bash, and sourcing it makes rfprog-cli complete through it.
completion=$extracted/usr/share/bash-completion/completions/rfprog-cli
bash -n "$completion" || fail "the completion script is not valid bash"
bash -c '. "$1" && complete -p rfprog-cli' bash "$completion" | grep -q -- '-F _rfprog_cli rfprog-cli$' ||
    fail "the completion script does not complete rfprog-cli"
# The latest changelog entry is this version's, by the package's maintainer.
gzip -dc "$extracted/usr/share/doc/rfprog-cli/changelog.gz" | head -n 1 |
    grep -qx "rfprog-cli ($version) unstable; urgency=medium" ||
    fail "the changelog does not start with this version's entry"
gzip -dc "$extracted/usr/share/doc/rfprog-cli/changelog.gz" | grep -m 1 '^ -- ' |
    grep -qF " -- $(field Maintainer)  " || fail "the changelog's entry is not the maintainer's"
# The copyright file holds the licence's notice and its text, line for line.
copyright=$extracted/usr/share/doc/rfprog-cli/copyright
head -n 1 "$copyright" |
    grep -qx 'Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/' ||
    fail "the copyright file is not in the machine-readable format"
holders=$(sed -n 's/^Copyright (c) //p' "$source/LICENSE")
grep -qx "Copyright: $holders" "$copyright" || fail "the copyright file does not say $holders"
# The paragraph of its own that starts with the licence's name, its lines indented.
awk 'text { print } previous == "" && /^License: Expat$/ { text = 1 } { previous = $0 }' "$copyright" |
    sed 's/^ //; s/^\.$//' >"$work/licence"
sed '1,/^Copyright (c) /d' "$source/LICENSE" | sed '1{/^$/d}' >"$work/licence.expected"
cmp -s "$work/licence" "$work/licence.expected" ||
    fail "the copyright file's licence text is not LICENSE's: $(diff "$work/licence.expected" "$work/licence")"
if command -v man >/dev/null; then
    man -l "$extracted/usr/share/man/man1/rfprog-cli.1.gz" 2>/dev/null | grep -q "EXIT STATUS" ||
        fail "man cannot show the man page"
    LC_ALL=C.UTF-8 man -l "$extracted/usr/share/man/ru/man1/rfprog-cli.1.gz" 2>/dev/null |
        grep -q "КОД ЗАВЕРШЕНИЯ" || fail "man cannot show the Russian man page"
fi

# lintian: no error and no warning, but those the package's overrides explain; and the
# program built with every hardening flag (lintian reports a missing one as information,
# which is a failure here).
if command -v lintian >/dev/null; then
    lintian --display-info --show-overrides "$deb" >"$work/lintian" 2>&1 ||
        fail "lintian: $(cat "$work/lintian")"
    ! grep -Eq '^[EW]: |^I: .* hardening-no-' "$work/lintian" || fail "lintian: $(cat "$work/lintian")"
    lintian_note="; lintian: no error or warning, $(grep -c '^O: ' "$work/lintian") overridden"
else
    fail "lintian is not installed (apt-get install lintian, or run scripts/setup.sh)"
fi

# apt would install it with what this system has or can fetch (a simulation: nothing is
# installed).
if command -v apt-get >/dev/null; then
    apt-get install --simulate --no-download -q "$deb" 2>&1 | grep -q '^Inst rfprog-cli ' ||
        fail "apt-get would not install the package: $(apt-get install --simulate "$deb" 2>&1)"
fi
echo "check-deb: $(basename "$deb") holds the program, its man pages (English and Russian)," \
    "its bash completion, the idle unit," \
    "its udev rule, README, changelog and copyright;" \
    "Depends: $(field Depends)$lintian_note"
