#!/bin/sh
# Builds the fuzz preset and runs each fuzz target for the given number of seconds
# (default 30), starting from its committed seed corpus. New inputs go to a scratch
# folder so the committed corpus stays small; crash inputs land in build/fuzz/artifacts.
# Prints the executions and executions per second of each target; exits non-zero when
# a target finds a broken invariant or a sanitizer report.
set -eu

seconds=${1:-30}
case $seconds in
'' | *[!0-9]*)
    echo "usage: $0 [seconds]" >&2
    exit 2
    ;;
esac

root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz

artifacts=$root/build/fuzz/artifacts
mkdir -p "$artifacts"
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

status=0
summary=""
for target in fuzz_block_parameters fuzz_commands fuzz_record_file fuzz_options; do
    case $target in
    fuzz_block_parameters) dict=tests/fuzz/block_parameters.dict ;;
    fuzz_commands) dict=tests/fuzz/commands.dict ;;
    fuzz_record_file) dict=tests/fuzz/record_file.dict ;;
    fuzz_options) dict=tests/fuzz/options.dict ;;
    esac
    mkdir -p "$scratch/$target"
    log=$scratch/$target.log
    echo "== $target: $seconds s"
    if ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
        "build/fuzz/$target" -max_total_time="$seconds" -timeout=10 -print_final_stats=1 \
        -dict="$dict" -artifact_prefix="$artifacts/$target-" \
        "$scratch/$target" "tests/fuzz/corpus/$target" >"$log" 2>&1; then
        result=ok
    else
        result=FAILED
        status=1
        tail -n 40 "$log"
    fi
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
    speed=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log")
    coverage=$(sed -n 's/^#[0-9]*[[:space:]]*DONE[[:space:]]*\(cov: [0-9]* ft: [0-9]*\).*/\1/p' "$log")
    line="$target: ${runs:-?} executions, ${speed:-?} exec/s in $seconds s, ${coverage:-cov: ?} ($result)"
    echo "$line"
    summary="$summary$line
"
done

echo "== summary"
printf '%s' "$summary"
exit $status
