#!/usr/bin/env bash
# Sets up, builds and starts the program against the virtual control unit.
set -euo pipefail
cd "$(dirname "$0")/.."

./scripts/setup.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "${VARNOK_JOBS:-2}"

# The window and the virtual unit are still being built: until they exist,
# show a real session on the link against a scripted peer on a pseudo-terminal.
exec ./build/tests/link/frame_test
