#!/usr/bin/env bash
# Installs what building and testing rfprog needs on Debian/Ubuntu, and only
# what is missing: compilers, GoogleTest, the MinGW-w64 cross compiler, Wine
# with its 32-bit part, and a virtual X server.
set -euo pipefail

packages=(
    cmake make g++ python3 googletest libgtest-dev libbenchmark-dev clang libclang-rt-dev
    g++-mingw-w64-i686 binutils-mingw-w64-i686 mingw-w64-tools
    wine wine32:i386 fonts-wine locales xvfb x11-utils imagemagick
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
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
echo "setup: done"
