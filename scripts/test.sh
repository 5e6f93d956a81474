#!/usr/bin/env bash
# Sets up, builds and runs every test: the normal build, the same tests under
# AddressSanitizer + UndefinedBehaviorSanitizer, the link and session tests
# without windows under ThreadSanitizer, and short runs of the fuzz targets.
set -euo pipefail
cd "$(dirname "$0")/.."

./scripts/setup.sh

jobs="${VARNOK_JOBS:-2}"
export QT_QPA_PLATFORM=offscreen

build() {  # build <dir> <cmake options...>
    local dir="$1"
    shift
    cmake -S . -B "$dir" -G Ninja "$@" >/dev/null
    cmake --build "$dir" -j "$jobs"
}

echo "== normal build =="
build build -DCMAKE_BUILD_TYPE=RelWithDebInfo
ctest --test-dir build --output-on-failure -j "$jobs"

echo "== AddressSanitizer + UndefinedBehaviorSanitizer =="
build build-asan -DCMAKE_BUILD_TYPE=Debug -DVARNOK_SANITIZE=address -DVARNOK_BUILD_BENCH=OFF
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    ctest --test-dir build-asan --output-on-failure -j "$jobs" -LE nosan

echo "== ThreadSanitizer (link and session) =="
build build-tsan -DCMAKE_BUILD_TYPE=Debug -DVARNOK_SANITIZE=thread -DVARNOK_BUILD_GUI=OFF \
    -DVARNOK_BUILD_BENCH=OFF
TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1 \
    ctest --test-dir build-tsan --output-on-failure -j "$jobs" -L 'link|session'

echo "== fuzz targets, short runs over the seed corpus =="
build build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ -DVARNOK_FUZZ=ON \
    -DVARNOK_BUILD_GUI=OFF -DVARNOK_BUILD_BENCH=OFF
ctest --test-dir build-fuzz --output-on-failure -j "$jobs" -L fuzz
