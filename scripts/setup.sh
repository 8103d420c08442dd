#!/usr/bin/env bash
# Installs what building and testing rfprog needs on Debian/Ubuntu, and only
# what is missing: compilers, GoogleTest, the MinGW-w64 cross compilers (32- and
# 64-bit), Wine with its 32- and 64-bit parts, a virtual X server, and what makes and
# checks the Debian package (dpkg-buildflags, lintian).
set -euo pipefail

packages=(
    cmake make g++ python3 googletest libgtest-dev libbenchmark-dev clang libclang-rt-dev
    g++-mingw-w64-i686 binutils-mingw-w64-i686 g++-mingw-w64-x86-64 binutils-mingw-w64-x86-64
    mingw-w64-tools wine wine32:i386 wine64 fonts-wine locales xvfb x11-utils imagemagick
    cmark-gfm dpkg-dev lintian git
)

sudo=""
if [ "$(id -u)" -ne 0 ]; then
    sudo="sudo"
fi

missing=()
for package in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$package")
    fi
done
if [ ${#missing[@]} -eq 0 ]; then
    echo "setup: everything is installed"
    exit 0
fi

echo "setup: installing ${missing[*]}"
if ! dpkg --print-foreign-architectures | grep -qx i386; then
    $sudo dpkg --add-architecture i386
fi
if ! $sudo apt-get update -qq; then
    echo "setup: FAILED: apt-get update. Check the network and /etc/apt/sources.list, then run again." >&2
    exit 1
fi
if ! DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/tmp/rfprog-setup.log 2>&1; then
    tail -n 20 /tmp/rfprog-setup.log >&2
    echo "setup: FAILED: apt-get install ${missing[*]} (full log: /tmp/rfprog-setup.log)." >&2
    echo "setup: install those packages by hand, then run again." >&2
    exit 1
fi
echo "setup: done"
