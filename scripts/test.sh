#!/usr/bin/env bash
# Builds everything and runs every test: the native tree (gcc with AddressSanitizer and UBSan),
# the Windows tree (MinGW-w64), whose tests run under Wine against the local stand-in, and the
# fuzz tree (clang), whose libFuzzer targets run a few seconds each (scripts/fuzz.sh runs longer).
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build
jobs=$(nproc)

"$root/scripts/install-deps.sh" || exit 1

configure_and_build() {
    local tree=$1
    shift
    cmake -S "$root" -B "$build/$tree" -G Ninja "$@" >/dev/null &&
        cmake --build "$build/$tree" -j "$jobs"
}

configure_and_build native -DCMAKE_BUILD_TYPE=Debug -DALVENA_SANITIZE=ON || exit 1
# Test builds must never reach the real service: point it at loopback, where only the stand-in
# listens (the tests give the stand-in's own port explicitly).
configure_and_build windows -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
    -DALVENA_SERVICE_HOST=127.0.0.1 -DALVENA_SERVICE_PORT=47443 || exit 1
configure_and_build fuzz -DALVENA_FUZZ=ON -DALVENA_FUZZ_SECONDS=5 || exit 1

passed=0
failed=0
run_ctest() {
    local tree=$1 log=$build/$1-ctest.log
    echo "== $tree tests"
    ctest --test-dir "$build/$tree" --output-on-failure -j "$jobs" 2>&1 | tee "$log"
    local summary
    summary=$(grep -E '^[0-9]+% tests passed, [0-9]+ tests failed out of [0-9]+' "$log" | tail -1)
    if [ -z "$summary" ]; then
        failed=$((failed + 1))
        return
    fi
    local total bad
    bad=$(echo "$summary" | sed -E 's/.* ([0-9]+) tests failed out of ([0-9]+).*/\1/')
    total=$(echo "$summary" | sed -E 's/.* ([0-9]+) tests failed out of ([0-9]+).*/\2/')
    passed=$((passed + total - bad))
    failed=$((failed + bad))
}
run_ctest native
run_ctest windows
run_ctest fuzz

echo "== all trees"
echo "tests: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
