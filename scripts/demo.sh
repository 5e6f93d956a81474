#!/usr/bin/env bash
# Sets up and builds everything, starts the virtual control unit varnok-unit
# on a pseudo-terminal and runs a session against it. The main window is
# still being built: until it exists, a scripted session through the
# program's own link object stands in for it, and the unit's trace shows the
# frames on the line.
set -euo pipefail
cd "$(dirname "$0")/.."

./scripts/setup.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "${VARNOK_JOBS:-2}"

unit_out="$(mktemp)"
# The unit prints its port name first; it serves until it is stopped below.
./build/tools/virtual-unit/varnok-unit --trace </dev/null >"$unit_out" &
unit_pid=$!
stop_unit() {
    kill "$unit_pid" 2>/dev/null || true
    wait "$unit_pid" 2>/dev/null || true
    rm -f "$unit_out"
}
trap stop_unit EXIT

port=""
for _ in $(seq 100); do
    port="$(head -n 1 "$unit_out")"
    [ -n "$port" ] && break
    kill -0 "$unit_pid" 2>/dev/null || { echo "varnok-unit did not start" >&2; exit 1; }
    sleep 0.05
done
[ -n "$port" ] || { echo "varnok-unit gave no port name" >&2; exit 1; }

echo "varnok-unit serves port $port (frames on the line: rx from the program, tx from the unit)"
./build/tools/virtual-unit/varnok-unit-demo "$port"
