#!/usr/bin/env bash
# Sets up and builds everything, starts the virtual control unit varnok-unit
# on a pseudo-terminal and starts the program with the unit's port already in
# its port box: the only step left is "Подключить".
#
# The port reaches the program through its options record, written in a
# configuration folder of the demo's own, so the user's own record is left
# alone. Without a display a scripted session through the program's own link
# object stands in for the window, with the frames on the line shown by the
# unit's trace. The unit stops when the demo ends.
#
# VARNOK_RELEASE=13 starts release 1.3 (varnok13) instead; it keeps no
# options, so its port box starts with "COM1" and the unit's port is typed in.
set -euo pipefail
cd "$(dirname "$0")/.."

./scripts/setup.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "${VARNOK_JOBS:-2}"

window=1
if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
    window=0
fi

work="$(mktemp -d)"
unit_options=()
[ "$window" -eq 1 ] || unit_options+=(--trace)
# The unit prints its port name first; it serves until it is stopped below.
./build/tools/virtual-unit/varnok-unit "${unit_options[@]}" </dev/null >"$work/unit.out" &
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

if [ "$window" -eq 1 ] && [ "${VARNOK_RELEASE:-}" = 13 ]; then
    echo "varnok-unit serves port $port. Type $port into the port box of Varnok 1.3 and press \"Подключить\"; closing the window ends the demo."
    ./build/release13/varnok13
elif [ "$window" -eq 1 ]; then
    export XDG_CONFIG_HOME="$work/config"
    ./build/tools/virtual-unit/varnok-demo-options "$port"
    echo "varnok-unit serves port $port. Press \"Подключить\" in Varnok; closing the window ends the demo."
    ./build/shell/varnok
else
    echo "No display: a scripted session stands in for the window."
    echo "varnok-unit serves port $port (frames on the line: rx from the program, tx from the unit)"
    ./build/tools/virtual-unit/varnok-unit-demo "$port"
fi
