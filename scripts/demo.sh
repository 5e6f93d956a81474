#!/usr/bin/env bash
# Sets up and builds everything, starts the virtual control unit varnok-unit
# on a pseudo-terminal, shows a scripted session against it, and then starts
# the program with the unit's port already in its port box.
#
# The scripted session goes through the program's own link object and shows
# the frames on the line (the unit's trace) and the values read. The program
# is given the port through its options record, in a configuration folder of
# the demo's own, so the user's own record is left alone; it needs a display
# and is skipped without one. The unit stops when the demo ends.
set -euo pipefail
cd "$(dirname "$0")/.."

./scripts/setup.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "${VARNOK_JOBS:-2}"

work="$(mktemp -d)"
# The unit prints its port name first; it serves until it is stopped below.
./build/tools/virtual-unit/varnok-unit --trace </dev/null >"$work/unit.out" &
unit_pid=$!
stop_unit() {
    kill "$unit_pid" 2>/dev/null || true
    wait "$unit_pid" 2>/dev/null || true
    rm -rf "$work"
}
trap stop_unit EXIT

port=""
for _ in $(seq 100); do
    port="$(head -n 1 "$work/unit.out")"
    [ -n "$port" ] && break
    kill -0 "$unit_pid" 2>/dev/null || { echo "varnok-unit did not start" >&2; exit 1; }
    sleep 0.05
done
[ -n "$port" ] || { echo "varnok-unit gave no port name" >&2; exit 1; }

echo "varnok-unit serves port $port (frames on the line: rx from the program, tx from the unit)"
./build/tools/virtual-unit/varnok-unit-demo "$port"

if [ ! -x build/shell/varnok ] || [ ! -x build/tools/virtual-unit/varnok-demo-options ]; then
    exit 0
fi
if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
    echo "No display: the program is not started."
    exit 0
fi
export XDG_CONFIG_HOME="$work/config"
./build/tools/virtual-unit/varnok-demo-options "$port"
echo
echo "Starting Varnok with port $port; press \"Подключить\". The unit stops when the window closes."
./build/shell/varnok
