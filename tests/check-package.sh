#!/bin/sh
# Unpacks the release packages and checks them:
# - the operator package holds exactly rfprog.exe, rfprog-cli.exe, the two operator guides with
#   every screenshot of docs/images, INPOUT32.txt and LICENSE.txt, and no
#   inpout32.dll; its two exes are byte for byte the tested build's;
# - the simulator package holds exactly rfprog.exe, the simulated inpout32.dll,
#   SIMULATOR.txt and LICENSE.txt, both binaries those of the tested build;
# - the texts are their sources as UTF-8 with a byte-order mark and CRLF line
#   ends, and every picture that a guide links to is in the package.
set -eu
cmake=$1
source=$2
name=$3
absolute() { case $1 in /*) echo "$1" ;; *) echo "$PWD/$1" ;; esac; }
operator_zip=$(absolute "$4")
sim_zip=$(absolute "$5")
exe=$6
sim_dll=$7
cli_exe=$8

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
status=0
fail() {
    echo "FAIL: $*"
    status=1
}

# unpack ZIP DIR: extracts and prints the file list with sizes.
unpack() {
    mkdir -p "$2"
    (cd "$2" && "$cmake" -E tar xf "$1")
    echo "$(basename "$1") ($(wc -c <"$1") bytes):"
    (cd "$2" && find . -type f | sed 's|^\./||' | LC_ALL=C sort | while read -r file; do
        printf '  %8d  %s\n' "$(wc -c <"$file")" "$file"
    done)
}

files() { (cd "$1" && find . -type f | sed 's|^\./||' | LC_ALL=C sort); }

# same_text PACKAGED SOURCE: a BOM, CRLF line ends only, and otherwise the source.
same_text() {
    if [ "$(head -c 3 "$1" | od -An -tx1 | tr -d ' \n')" != "efbbbf" ]; then
        fail "$1 does not start with a UTF-8 byte-order mark"
    fi
    lf=$(tr -cd '\n' <"$1" | wc -c)
    cr=$(tr -cd '\r' <"$1" | wc -c)
    if [ "$lf" -eq 0 ] || [ "$cr" -ne "$lf" ]; then
        fail "$1 has $lf line feeds and $cr carriage returns; expected CRLF line ends"
    fi
    if ! tail -c +4 "$1" | tr -d '\r' | cmp -s - "$2"; then
        fail "$1 differs from $2"
    fi
}

# The operator package.
op="$work/operator"
unpack "$operator_zip" "$op"
expected="$work/expected-operator"
{
    echo "$name/INPOUT32.txt"
    echo "$name/LICENSE.txt"
    for image in "$source"/docs/images/*.png; do
        echo "$name/images/$(basename "$image")"
    done
    echo "$name/operator-guide.en.html"
    echo "$name/operator-guide.en.md"
    echo "$name/operator-guide.ru.html"
    echo "$name/operator-guide.ru.md"
    echo "$name/rfprog-cli.exe"
    echo "$name/rfprog.exe"
} | LC_ALL=C sort >"$expected"
if ! files "$op" | cmp -s - "$expected"; then
    fail "the operator package's files are not the expected ones:"
    files "$op" | diff "$expected" - || true
fi
if files "$op" | grep -qi 'inpout32\.dll'; then
    fail "the operator package contains inpout32.dll"
fi
if ! cmp -s "$op/$name/rfprog.exe" "$exe"; then
    fail "rfprog.exe in the operator package is not the tested $exe"
fi
if ! cmp -s "$op/$name/rfprog-cli.exe" "$cli_exe"; then
    fail "rfprog-cli.exe in the operator package is not the tested $cli_exe"
fi
for image in "$source"/docs/images/*.png; do
    if ! cmp -s "$op/$name/images/$(basename "$image")" "$image"; then
        fail "images/$(basename "$image") differs from docs/images"
    fi
done
same_text "$op/$name/operator-guide.ru.md" "$source/docs/operator-guide.ru.md"
same_text "$op/$name/operator-guide.en.md" "$source/docs/operator-guide.en.md"
same_text "$op/$name/INPOUT32.txt" "$source/docs/INPOUT32.txt"
same_text "$op/$name/LICENSE.txt" "$source/LICENSE"
for guide in "$op/$name"/operator-guide.*.md; do
    links=$(grep -o '](images/[^)]*)' "$guide" | sed 's/^](//; s/)$//' | sort -u)
    if [ -z "$links" ]; then
        fail "$(basename "$guide") links to no screenshot"
    fi
    for link in $links; do
        [ -f "$op/$name/$link" ] || fail "$(basename "$guide") links to $link, which is not in the package"
    done
done

# The web pages of the guides: UTF-8, every picture of their text, every section, and
# links to each other's page rather than to the Markdown.
for language in ru en; do
    page="$op/$name/operator-guide.$language.html"
    text="$source/docs/operator-guide.$language.md"
    grep -q '<meta charset="utf-8">' "$page" || fail "$(basename "$page") does not say it is UTF-8"
    for link in $(grep -o '](images/[^)]*)' "$text" | sed 's/^](//; s/)$//' | sort -u); do
        grep -qF "src=\"$link\"" "$page" || fail "$(basename "$page") does not show $link"
    done
    sections=$(grep -c '^## ' "$text")
    headings=$(grep -c '<h2>' "$page")
    [ "$sections" -eq "$headings" ] ||
        fail "$(basename "$page") has $headings sections, its text $sections"
    if grep -q 'operator-guide\.[a-z]*\.md' "$page"; then
        fail "$(basename "$page") links to a Markdown guide"
    fi
    grep -q 'href="operator-guide\.[a-z]*\.html"' "$page" || fail "$(basename "$page") links to no other guide"
done

# The simulator package.
sim="$work/sim"
unpack "$sim_zip" "$sim"
printf '%s\n' "$name-sim/LICENSE.txt" "$name-sim/SIMULATOR.txt" "$name-sim/inpout32.dll" \
    "$name-sim/rfprog.exe" | LC_ALL=C sort >"$expected"
if ! files "$sim" | cmp -s - "$expected"; then
    fail "the simulator package's files are not the expected ones:"
    files "$sim" | diff "$expected" - || true
fi
cmp -s "$sim/$name-sim/rfprog.exe" "$exe" || fail "rfprog.exe in the simulator package is not $exe"
cmp -s "$sim/$name-sim/inpout32.dll" "$sim_dll" ||
    fail "inpout32.dll in the simulator package is not the simulated $sim_dll"
same_text "$sim/$name-sim/SIMULATOR.txt" "$source/docs/SIMULATOR.txt"
same_text "$sim/$name-sim/LICENSE.txt" "$source/LICENSE"

if [ "$status" -eq 0 ]; then
    echo "PASS"
fi
exit "$status"
