#!/bin/sh
# Runs a Windows program under Wine with the project's settings:
#   wine.sh PREFIX BITS PROGRAM [ARGUMENT...]
# CTest runs every Windows test program through it.
set -eu
. "$(dirname "$0")/wine-env.sh"
prefix=$1
bits=$2
shift 2
wine_environment "$prefix" "$bits"
exec "$wine_loader" "$@"
