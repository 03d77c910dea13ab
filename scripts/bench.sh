#!/usr/bin/env bash
# Builds the benchmarks in release mode and runs them all: the native ones (no sanitizers), then
# the Windows ones under Wine in a throwaway prefix on a private X display, then the soak.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
native=$root/build/bench
windows=$root/build/bench-windows

"$root/scripts/install-deps.sh"
cmake -S "$root" -B "$native" -G Ninja -DCMAKE_BUILD_TYPE=Release -DALVENA_SANITIZE=OFF >/dev/null
cmake --build "$native" -j "$(nproc)"
for bench in $(find "$native" -type f -name 'alvena*_bench' | sort); do
    echo "== $(basename "$bench")"
    "$bench" --benchmark_repetitions=5 --benchmark_report_aggregates_only=true "$@"
done

cmake -S "$root" -B "$windows" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" >/dev/null
cmake --build "$windows" -j "$(nproc)" --target alvena_history_page_bench add_root_cert
env_dir=$windows/bench-env
trap 'bash "$root/scripts/wine-env.sh" teardown "$env_dir"' EXIT
bash "$root/scripts/wine-env.sh" setup "$env_dir" "$windows/tools/winhelpers/add_root_cert.exe" >/dev/null
echo "== alvena_history_page_bench (Wine)"
ALVENA_TEST_ENV_DIR=$env_dir "$root/scripts/wine-run.sh" "$windows/tests/alvena_history_page_bench.exe"
bash "$root/scripts/soak.sh" "$windows"
