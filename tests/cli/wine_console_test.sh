#!/bin/sh
# rfprog-cli.exe at a console under Wine: the question before the timer's pulse, answered
# "нет" and then cut short by Ctrl-C. Each must end the run with status 130, no pulse and
# the board idle. The console is a pseudo-terminal made by script(1), typed into once the
# question is on it.
#   wine_console_test.sh WORK CLI RUNNER...
set -eu
work=$1
cli=$2
shift 2
rm -rf "$work"
mkdir -p "$work"
failures=0

# ask KEYS NAME: runs "timer" at a console, types KEYS once the question shows, and
# checks the status, the trace and the text. A run still waiting after a minute fails.
ask() {
    keys=$1
    name=$2
    fifo=$work/keys
    rm -f "$fifo" "$work/screen" "$work/trace.txt"
    mkfifo "$fifo"
    command="RFPROG_SIM_TRACE='$work/trace.txt' RFPROG_SIM_ROM='$work/rom.bin' $runner"
    command="$command '$cli' --port lpt1 timer"
    timeout 60 script -qfec "$command" /dev/null <"$fifo" >"$work/screen" 2>&1 &
    pid=$!
    exec 3>"$fifo"
    waited=0
    until grep -q "press Enter" "$work/screen" 2>/dev/null || [ $waited -ge 120 ]; do
        sleep 1
        waited=$((waited + 1))
    done
    printf '%b' "$keys" >&3
    status=0
    wait $pid || status=$?
    exec 3>&-
    pulses=$(grep -c "^W 37A 04" "$work/trace.txt" || true)
    last=$(tail -n 1 "$work/trace.txt" | tr -d '\r')
    if [ "$status" != 130 ] || [ "$pulses" != 0 ] || [ "$last" != "W 37A 00" ] ||
        ! grep -q "the programming voltage is off" "$work/screen"; then
        echo "FAILED: $name at the question: status $status, $pulses pulses, last \"$last\""
        cat "$work/screen"
        failures=$((failures + 1))
    else
        echo "ok: $name at the question: status 130, no pulse, W 37A 00 last"
    fi
}

runner=""
for word in "$@"; do
    runner="$runner '$word'"
done
ask 'нет\r' "нет"
ask '\003' "Ctrl-C"
[ $failures -eq 0 ]
