#!/usr/bin/env bash
# Measures Ostrel's whole-process CPU use while nothing happens, with the real backend and
# the test sound server (PulseAudio, or PipeWire's pulse server and graph), and how it grows
# with the number of processes on the machine: the same running Ostrel is measured with 0,
# 500 and 1500 extra sleeping processes of the same user. CPU time is the sum of the first
# schedstat field (nanoseconds on the CPU) of every thread, which is exact where the clock
# ticks of /proc/<pid>/stat would round a quiet program's use to nothing.
#   bench/idle/measure-idle-cpu.sh [build/src/ostrel] [seconds per step] [pulseaudio|pipewire]
set -euo pipefail
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
binary=${1:-$top/build/src/ostrel}
seconds=${2:-60}
sound=${3:-pulseaudio}
extra_steps=(0 500 1500)

if [ -z "${OSTREL_MEASURING:-}" ]; then
    exec env OSTREL_MEASURING=1 "$top/scripts/with-test-services" "$0" "$binary" "$seconds" "$sound"
fi

if [ "$sound" = pipewire ]; then
    export PULSE_SERVER=$OSTREL_TEST_PIPEWIRE_PULSE
fi

# Nanoseconds on the CPU of all threads; a thread that ends between two readings takes its
# share with it, which Ostrel's long-lived threads never do while idle.
cpu_nanoseconds() {
    cat /proc/"$1"/task/*/schedstat 2>/dev/null | awk '{ sum += $1 } END { printf "%.0f", sum }'
}
process_count() { find /proc -maxdepth 1 -name '[0-9]*' | wc -l; }

sleepers=()
stop_all() {
    kill "${sleepers[@]}" 2>/dev/null || true
    [ -n "${ostrel:-}" ] && kill "$ostrel" 2>/dev/null
    wait 2>/dev/null || true
}
trap stop_all EXIT

"$binary" >/dev/null 2>&1 &
ostrel=$!
sleep 10 # past start-up and the first scans

printf '%-16s %-20s %s\n' "extra processes" "processes on machine" "idle CPU, % of one core"
for extra in "${extra_steps[@]}"; do
    while [ "${#sleepers[@]}" -lt "$extra" ]; do
        sleep 100000 &
        sleepers+=($!)
    done
    sleep 5 # the new processes are looked at once; that is not idle cost
    if ! kill -0 $ostrel 2>/dev/null; then
        echo "Ostrel ended before the measurement with $extra extra processes" >&2
        exit 1
    fi
    before=$(cpu_nanoseconds $ostrel)
    sleep "$seconds"
    after=$(cpu_nanoseconds $ostrel)
    awk -v extra="$extra" -v count="$(process_count)" -v used=$((after - before)) -v s="$seconds" \
        'BEGIN { printf "%-16d %-20d %.3f\n", extra, count, 100 * used / 1e9 / s }'
done
kill -INT $ostrel
wait $ostrel || true
ostrel=
