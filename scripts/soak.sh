#!/usr/bin/env bash
# A 300-consultation session under Wine against the stand-in, in one process with the real
# window (ALVENA_SOAK_COUNT for a longer one): the program reports what it can count of itself
# after 20, every 100 and at the end, and at each report this script measures the process from
# outside (threads, private memory, open descriptors), then the program checks the history file.
# Run by bench.sh; not a test.
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

# Private memory in KiB, from the kernel's own account of the process's mappings: all of it, and
# the anonymous part, which is what Windows counts as private bytes. The rest are pages of files
# (DLLs, fonts) read in as code first runs, counted private only while no other process maps the
# same page: they come and go with whatever else runs on the machine.
private_kib() {
    awk '/^Private_(Clean|Dirty):/ { sum += $2 } END { print sum }' "/proc/$1/smaps_rollup"
}
anonymous_kib() {
    awk '/^Anonymous:/ { print $2 }' "/proc/$1/smaps_rollup"
}

count=${ALVENA_SOAK_COUNT:-300}
echo "== alvena_soak (Wine): $count consultations"
# wine-run.sh execs Wine, which runs the program in this very process.
ALVENA_TEST_ENV_DIR=$env_dir ALVENA_SOAK_SYNC="Z:${sync//\//\\}" ALVENA_SOAK_COUNT=$count \
    "$root/scripts/wine-run.sh" "$windows/tests/alvena_soak.exe" &
soak_pid=$!

# The program reports after 20, every 100 and at the end, each time writing ready-<n> and
# waiting for measured-<n>. The process's mappings are kept at each point, to tell by mapping
# where private memory grew.
maps=$windows/soak-smaps
rm -rf "$maps"
mkdir -p "$maps"
points=()
declare -A tasks memory anonymous descriptors
start=$SECONDS
while kill -0 "$soak_pid" 2>/dev/null; do
    for ready in "$sync"/ready-*; do
        done=${ready##*-}
        if [ ! -e "$ready" ] || [ -e "$sync/measured-$done" ]; then
            continue
        fi
        tasks[$done]=$(ls "/proc/$soak_pid/task" | wc -l)
        memory[$done]=$(private_kib "$soak_pid")
        anonymous[$done]=$(anonymous_kib "$soak_pid")
        descriptors[$done]=$(ls "/proc/$soak_pid/fd" | wc -l)
        cp "/proc/$soak_pid/smaps" "$maps/$done"
        echo "after $done (outside): threads ${tasks[$done]}, private memory ${memory[$done]} KiB" \
            "(anonymous ${anonymous[$done]} KiB), open descriptors ${descriptors[$done]}"
        points+=("$done")
        touch "$sync/measured-$done"
        start=$SECONDS
    done
    if [ $((SECONDS - start)) -ge 600 ]; then
        echo "the soak stalled after ${#points[@]} reports" >&2
        exit 1
    fi
    sleep 0.2
done
status=0
wait "$soak_pid" || status=$?
soak_pid=
if [ "${#points[@]}" -lt 2 ]; then
    echo "the soak ended before its last report" >&2
    exit 1
fi
first=${points[0]} last=${points[-1]}
echo "growth $first -> $last (outside): threads $((tasks[$last] - tasks[$first])), private memory" \
    "$((memory[$last] - memory[$first])) KiB (anonymous $((anonymous[$last] - anonymous[$first])) KiB)," \
    "open descriptors $((descriptors[$last] - descriptors[$first]))"
for field in Anonymous Private; do
    echo "$field memory growth $first -> $last by mapping (KiB, largest five):"
    awk -v field="$field" -f "$root/scripts/smaps-growth.awk" "$maps/$first" "$maps/$last" |
        sort -gr | sed -n 1,5p
done
exit "$status"
