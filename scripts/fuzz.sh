#!/usr/bin/env bash
# Long fuzzing runs: every fuzz target for the given number of seconds each
# (default 600), starting from the seed corpus. New inputs are kept in
# build-fuzz/tests/fuzz/<target>-found; a crash leaves its input in
# build-fuzz/ as crash-*, to be turned into a regular test.
#   ./scripts/fuzz.sh [seconds]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-600}"

./scripts/setup.sh
cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
    -DVARNOK_FUZZ=ON -DVARNOK_BUILD_GUI=OFF -DVARNOK_BUILD_BENCH=OFF >/dev/null
cmake --build build-fuzz -j "${VARNOK_JOBS:-2}"

cd build-fuzz
for target in tests/fuzz/*_fuzz; do
    name="$(basename "$target" _fuzz)"
    echo "== $name: ${seconds} s =="
    "$target" -max_total_time="$seconds" -max_len=1024 -print_final_stats=1 \
        "tests/fuzz/${name}-found" "../tests/fuzz/corpus/${name}"
done
