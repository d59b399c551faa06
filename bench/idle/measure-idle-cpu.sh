#!/usr/bin/env bash
# Measures Ostrel's whole-process CPU use while nothing happens, with the real backend and
# the test sound server (PulseAudio, or PipeWire's pulse server and graph): the CPU time it
# spends over a quiet minute, as a share of one core.
#   bench/idle/measure-idle-cpu.sh [build/src/ostrel] [seconds] [pulseaudio|pipewire]
set -euo pipefail
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
binary=${1:-$top/build/src/ostrel}
seconds=${2:-60}
sound=${3:-pulseaudio}

if [ -z "${OSTREL_MEASURING:-}" ]; then
    exec env OSTREL_MEASURING=1 "$top/scripts/with-test-services" "$0" "$binary" "$seconds" "$sound"
fi

if [ "$sound" = pipewire ]; then
    export PULSE_SERVER=$OSTREL_TEST_PIPEWIRE_PULSE
fi

cpu_ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat"; }

"$binary" >/dev/null 2>&1 &
ostrel=$!
trap 'kill $ostrel 2>/dev/null || true' EXIT
sleep 10 # past start-up and the first scans
before=$(cpu_ticks $ostrel)
sleep "$seconds"
after=$(cpu_ticks $ostrel)
ticks_per_second=$(getconf CLK_TCK)
awk -v used=$((after - before)) -v hz="$ticks_per_second" -v s="$seconds" \
    'BEGIN { printf "idle CPU over %d s: %.2f s of CPU = %.3f %% of one core\n", s, used / hz, 100 * used / hz / s }'
kill -INT $ostrel
wait $ostrel || true
