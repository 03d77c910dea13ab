#!/usr/bin/env bash
# Builds the native benchmarks in release mode, without sanitizers, and runs them all.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build/bench

"$root/scripts/install-deps.sh"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DALVENA_SANITIZE=OFF >/dev/null
cmake --build "$build" -j "$(nproc)"
for bench in $(find "$build" -maxdepth 3 -type f -name 'alvena*_bench' | sort); do
    echo "== $(basename "$bench")"
    "$bench" --benchmark_repetitions=5 --benchmark_report_aggregates_only=true "$@"
done
