#!/usr/bin/env bash
# Builds the benchmarks in Release (build-bench/) and runs them one after the
# other, printing their figures: link throughput of the 1.4 beta queue and of
# the 1.3 build's synchronous link against varnok-unit, then notification
# latency, CPU cost of being connected, main thread responsiveness and memory
# with the real main window (offscreen), and the time of one graph redraw.
#
#   ./scripts/bench.sh          quick run, about 10 minutes (memory over 3 minutes)
#   ./scripts/bench.sh --full   the memory figure over 10 minutes of polling
#
# The machine should be otherwise idle: the figures are times and CPU shares.
set -euo pipefail
cd "$(dirname "$0")/.."

minutes=3
case "${1:-}" in
    "") ;;
    --full) minutes=10 ;;
    *)
        echo "usage: $0 [--full]" >&2
        exit 2
        ;;
esac

./scripts/setup.sh

jobs="${VARNOK_JOBS:-2}"
# Release at -O2, as the program is built; GCC 12 at -O3 warns falsely in
# the unit's code, and warnings are errors.
cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_FLAGS_RELEASE="-O2 -DNDEBUG" \
    -DVARNOK_BUILD_TESTS=OFF >/dev/null
cmake --build build-bench -j "$jobs" --target unit_burst_bench window_bench graph_bench varnok-unit

echo "== $(date -u '+%Y-%m-%d %H:%M UTC'), $(nproc) cores, load average $(cut -d' ' -f1-3 /proc/loadavg) =="
./build-bench/bench/unit_burst_bench
QT_QPA_PLATFORM=offscreen ./build-bench/bench/window_bench --minutes "$minutes"
echo "== one redraw of the trend graph with full histories =="
QT_QPA_PLATFORM=offscreen ./build-bench/bench/graph_bench
