#!/usr/bin/env bash
# Measures Ostrel's resident memory: after start with 10 000 activity log entries loaded, and
# after a burst of simulated activity (recordings starting and stopping on the test sound
# server, each one logged and notified). Run from the repository root after a build:
#   bench/memory/measure-memory.sh [build/src/ostrel] [cycles]
# It runs inside scripts/with-test-services, so nothing touches the real home or devices.
set -euo pipefail
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
binary=${1:-$top/build/src/ostrel}
cycles=${2:-200}

if [ -z "${OSTREL_MEASURING:-}" ]; then
    exec env OSTREL_MEASURING=1 "$top/scripts/with-test-services" "$0" "$binary" "$cycles"
fi

rss_kib() { awk '/^VmRSS:/ { print $2 }' "/proc/$1/status"; }

# 10 000 entries of the last day, in the log file's own format.
folder="$XDG_DATA_HOME/Ostrel"
mkdir -p "$folder"
python3 - "$folder/activity_logs.json" <<'PY'
import json, sys, uuid, datetime
now = datetime.datetime.now(datetime.timezone.utc).replace(microsecond=0)
entries = []
for i in range(10000):
    stamp = now - datetime.timedelta(seconds=8 * i)
    entries.append({
        "id": str(uuid.uuid4()).upper(),
        "timestamp": stamp.strftime("%Y-%m-%dT%H:%M:%SZ"),
        "deviceType": "Camera" if i % 3 == 0 else "Microphone",
        "processName": f"recorder-{i % 40}",
        "processID": 1000 + i % 500,
        "isActive": i % 2 == 0,
    })
with open(sys.argv[1], "w") as out:
    json.dump(sorted(entries, key=lambda e: e["timestamp"]), out, indent=2, sort_keys=True)
PY

"$binary" >"$XDG_RUNTIME_DIR/ostrel.log" 2>&1 &
ostrel=$!
trap 'kill $ostrel 2>/dev/null || true' EXIT
sleep 5
start=$(rss_kib $ostrel)
echo "after start: ${start} KiB resident"

for ((i = 0; i < cycles; i++)); do
    parecord --device=ostrel_test_source /dev/null &
    recorder=$!
    sleep 0.7
    kill $recorder
    wait $recorder 2>/dev/null || true
    sleep 0.7
    if (( (i + 1) % 50 == 0 )); then
        echo "after $((i + 1)) recordings: $(rss_kib $ostrel) KiB resident"
    fi
done
sleep 3
end=$(rss_kib $ostrel)
echo "after ${cycles} recordings: ${end} KiB resident (growth $((end - start)) KiB)"
echo "entries logged by this run: $(grep -c '🎯 \[AppDelegate\] Device access changed' "$XDG_RUNTIME_DIR/ostrel.log")"
kill -INT $ostrel
wait $ostrel || true
