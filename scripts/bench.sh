#!/usr/bin/env bash
# Builds the benchmarks in release mode and runs them all: the native ones (no sanitizers), then
# the Windows ones under Wine in a throwaway prefix on a private X display: alvena.exe's start-up
# and memory side by side with two floors built the same way (a bare window, and the common
# controls with exactly the controls of Alvena's first screen), the first use of what start-up
# leaves for later, the Historial page, and the exe's size (docs/PERFORMANCE.md explains each);
# then the soak; then two release builds compared (scripts/check-reproducible.sh). Before the
# Windows ones, the mutation check (scripts/mutate.sh).
#   ALVENA_BENCH_REPS=7 bash scripts/bench.sh [google benchmark options]
# ALVENA_BENCH_NATIVE=0 leaves out the native benchmarks, ALVENA_BENCH_MUTATE=0 the mutation
# check, ALVENA_BENCH_SOAK=0 the soak, ALVENA_BENCH_REPRODUCIBLE=0 the two builds;
# ALVENA_BENCH_STARTUP_ONLY=1 runs the start-up and memory figures alone. ALVENA_BENCH_COMPARE=DIR
# measures DIR/alvena.exe (and DIR/alvena_history_page_bench.exe) as well, in the same runs: an
# earlier build for the same service port, say.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/scripts/wine-common.sh"
native=$root/build/bench
windows=$root/build/bench-windows
reps=${ALVENA_BENCH_REPS:-7}
# The bench build's service is the stand-in on this loopback port (not the demo's).
port=${ALVENA_BENCH_PORT:-47453}
startup_only=${ALVENA_BENCH_STARTUP_ONLY:-0}

"$root/scripts/install-deps.sh"
echo "== $(date -u '+%Y-%m-%d %H:%M UTC'), $(nproc) cores," \
    "$(sed -n 's/^model name\s*: //p' /proc/cpuinfo | head -1), load $(cut -d' ' -f1-3 /proc/loadavg)"

if [ "${ALVENA_BENCH_NATIVE:-1}" != 0 ] && [ "$startup_only" = 0 ]; then
    cmake -S "$root" -B "$native" -G Ninja -DCMAKE_BUILD_TYPE=Release -DALVENA_SANITIZE=OFF >/dev/null
    cmake --build "$native" -j "$(nproc)"
    for bench in $(find "$native" -type f -name 'alvena*_bench' | sort); do
        echo "== $(basename "$bench")"
        "$bench" --benchmark_repetitions=5 --benchmark_report_aggregates_only=true "$@"
    done
fi

# A surviving mutant is a finding to read, not a reason to stop the benchmarks.
if [ "${ALVENA_BENCH_MUTATE:-1}" != 0 ] && [ "$startup_only" = 0 ]; then
    bash "$root/scripts/mutate.sh" || echo "== mutation check: not every counted mutant was killed"
fi

cmake -S "$root" -B "$windows" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
    -DALVENA_SERVICE_HOST=127.0.0.1 -DALVENA_SERVICE_PORT="$port" >/dev/null
cmake --build "$windows" -j "$(nproc)" \
    --target alvena bare_window first_screen bench_driver alvena_history_page_bench \
    alvena_held_save_bench alvena_proxy_resolution_bench add_root_cert
alvena=$windows/src/app/alvena.exe
bare=$windows/tools/baseline/bare_window.exe
screen=$windows/tools/baseline/first_screen.exe
driver=$windows/tools/winhelpers/bench_driver.exe

env_dir=$windows/bench-env
trap 'bash "$root/scripts/wine-env.sh" teardown "$env_dir"' EXIT
ALVENA_STANDIN_PORT=$port bash "$root/scripts/wine-env.sh" setup "$env_dir" \
    "$windows/tools/winhelpers/add_root_cert.exe" >/dev/null
export WINEPREFIX=$env_dir/prefix DISPLAY
DISPLAY=$(cat "$env_dir/display")
control_port=$(sed -n 's/^STANDIN_CONTROL_PORT=//p' "$env_dir/standin/standin.env")
# One wineserver, and the system processes it starts, for the whole run: every launch then
# meets the same warm Wine, as a user's second start of the day does.
"$WINESERVER" -k 2>/dev/null || true
"$WINESERVER" -p

win_path() { echo "Z:${1//\//\\}"; }
drive() { "$WINE" "$driver" "$@" | tr -d '\r'; }

results=$windows/bench-results.txt  # every run's figures: program, name, value
: >"$results"
record() {
    local program=$1 line=$2 pair
    for pair in $line; do
        echo "$program ${pair%%=*} ${pair#*=}" >>"$results"
    done
}

# Private memory of a program 2 s after its main window is mapped, read from outside with no
# other Windows program of ours running (pages shared with another one would not count), as
# "memory_kb=all memory_dirty_kb=written": clean pages count as private only while no other
# process on the machine maps the same file (another prefix's Wine DLLs, say); written ones
# always do.
private_memory() {
    local exe=$1 pid id=
    "$WINE" "$exe" &
    pid=$!
    for _ in $(seq 600); do
        id=$(xwininfo -root -tree 2>/dev/null | awk -v class="(\"$(basename "$exe")\"" \
            'index($0, class) && / 980x720\+/ {print $1; exit}')
        [ -n "$id" ] && xwininfo -id "$id" 2>/dev/null | grep -q IsViewable && break
        sleep 0.05
    done
    sleep 2
    awk '/^Private_(Clean|Dirty):/ {all += $2} /^Private_Dirty:/ {dirty += $2}
         END {print "memory_kb=" all " memory_dirty_kb=" dirty}' "/proc/$pid/smaps"
    kill -TERM "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
}

# POSTs to the stand-in's control port: /reset, or /script with the next reply.
standin() {
    python3 -c 'import sys, urllib.request
urllib.request.urlopen("http://127.0.0.1:%s%s" % tuple(sys.argv[1:3]),
                       data=sys.argv[3].encode() if len(sys.argv) > 3 else b"", timeout=10).read()' \
        "$control_port" "$@"
}

declare -A exes=([alvena]=$alvena [bare]=$bare [screen]=$screen)
programs=(alvena bare screen)
if [ -n "${ALVENA_BENCH_COMPARE:-}" ]; then
    exes[other]=$ALVENA_BENCH_COMPARE/alvena.exe
    programs+=(other)
fi
# Each run starts with another program, so that a drift in the machine's load touches all alike.
rotation() {
    local run=$1 n=${#programs[@]} i
    for i in $(seq 0 $((n - 1))); do
        echo "${programs[$(((run + i) % n))]}"
    done
}

echo "== start-up and memory: ${programs[*]}, $reps runs each, side by side"
for program in "${programs[@]}"; do
    drive startup "$(win_path "${exes[$program]}")" >/dev/null  # warms Wine's processes and caches
done
for run in $(seq "$reps"); do
    for program in $(rotation "$run"); do
        record "$program" "$(drive startup "$(win_path "${exes[$program]}")")"
    done
done
for run in $(seq "$reps"); do
    for program in $(rotation "$run"); do
        record "$program" "$(private_memory "${exes[$program]}")"
    done
done

summary() {
    python3 "$root/scripts/bench_summary.py" "$results" "$alvena" "$bare" "$screen" \
        ${ALVENA_BENCH_COMPARE:+"${exes[other]}"}
}
if [ "$startup_only" != 0 ]; then
    summary
    echo "== load at the end: $(cut -d' ' -f1-3 /proc/loadavg)"
    exit 0
fi

echo "== first use in a running alvena.exe, $reps runs"
reply='{"status":200,"body":"{\"answer\":\"Beba l\u00edquidos y vigile la fiebre.\"}"'
for run in $(seq "$reps"); do
    for program in $(rotation "$run"); do
        case $program in bare | screen) continue ;; esac
        standin /reset
        for _ in $(seq 10); do
            standin /script "$reply}"
        done
        standin /script "$reply,\"delay_ms\":1500}"
        record "$program" "$(drive firstuse "$(win_path "${exes[$program]}")")"
    done
done

summary

echo "== alvena_history_page_bench (Wine)"
"$WINE" "$windows/tests/alvena_history_page_bench.exe" | tr -d '\r'
if [ -f "${ALVENA_BENCH_COMPARE:-/nonexistent}/alvena_history_page_bench.exe" ]; then
    echo "== the same, built from $ALVENA_BENCH_COMPARE"
    "$WINE" "$ALVENA_BENCH_COMPARE/alvena_history_page_bench.exe" | tr -d '\r'
fi
echo "== alvena_held_save_bench (Wine)"
"$WINE" "$windows/tests/alvena_held_save_bench.exe" | tr -d '\r'
echo "== alvena_proxy_resolution_bench (Wine)"
"$WINE" "$windows/tests/alvena_proxy_resolution_bench.exe" | tr -d '\r'
echo "== load at the end: $(cut -d' ' -f1-3 /proc/loadavg)"
if [ "${ALVENA_BENCH_SOAK:-1}" != 0 ]; then
    bash "$root/scripts/soak.sh" "$windows"
fi
# Two full release builds of the current commit compared byte for byte: minutes, not a test.
if [ "${ALVENA_BENCH_REPRODUCIBLE:-1}" != 0 ]; then
    echo "== reproducible packages"
    bash "$root/scripts/check-reproducible.sh"
fi
