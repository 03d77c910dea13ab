#!/usr/bin/env bash
# A 300-consultation session under Wine against the stand-in, in one process with the real
# window: the program reports what it can count of itself after 20 and after 300 consultations,
# and at each report this script measures the process from outside (threads, private memory,
# open descriptors), then the program checks the history file. Run by bench.sh; not a test.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
windows=${1:-$root/build/bench-windows}
. "$root/scripts/wine-common.sh"

if [ ! -f "$windows/CMakeCache.txt" ]; then
    cmake -S "$root" -B "$windows" -G Ninja -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" >/dev/null
fi
cmake --build "$windows" -j "$(nproc)" --target alvena_soak add_root_cert

env_dir=$windows/soak-env
sync=$env_dir/sync
soak_pid=
cleanup() {
    if [ -n "$soak_pid" ] && kill -0 "$soak_pid" 2>/dev/null; then
        kill "$soak_pid" 2>/dev/null || true
    fi
    bash "$root/scripts/wine-env.sh" teardown "$env_dir"
}
trap cleanup EXIT
bash "$root/scripts/wine-env.sh" setup "$env_dir" "$windows/tools/winhelpers/add_root_cert.exe" >/dev/null
rm -rf "$sync"
mkdir -p "$sync"

# Private memory in KiB, from the kernel's own account of the process's mappings.
private_kib() {
    awk '/^Private_(Clean|Dirty):/ { sum += $2 } END { print sum }' "/proc/$1/smaps_rollup"
}

echo "== alvena_soak (Wine): 300 consultations"
# wine-run.sh execs Wine, which runs the program in this very process.
ALVENA_TEST_ENV_DIR=$env_dir ALVENA_SOAK_SYNC="Z:${sync//\//\\}" \
    "$root/scripts/wine-run.sh" "$windows/tests/alvena_soak.exe" &
soak_pid=$!

declare -A tasks memory descriptors
for done in 20 300; do
    start=$SECONDS
    while [ ! -e "$sync/ready-$done" ]; do
        if ! kill -0 "$soak_pid" 2>/dev/null || [ $((SECONDS - start)) -ge 600 ]; then
            echo "the soak ended or stalled before its report after $done consultations" >&2
            exit 1
        fi
        sleep 0.2
    done
    tasks[$done]=$(ls "/proc/$soak_pid/task" | wc -l)
    memory[$done]=$(private_kib "$soak_pid")
    descriptors[$done]=$(ls "/proc/$soak_pid/fd" | wc -l)
    echo "after $done (outside): threads ${tasks[$done]}, private memory ${memory[$done]} KiB," \
        "open descriptors ${descriptors[$done]}"
    touch "$sync/measured-$done"
done
status=0
wait "$soak_pid" || status=$?
soak_pid=
echo "growth 20 -> 300 (outside): threads $((tasks[300] - tasks[20])), private memory" \
    "$((memory[300] - memory[20])) KiB, open descriptors $((descriptors[300] - descriptors[20]))"
exit "$status"
