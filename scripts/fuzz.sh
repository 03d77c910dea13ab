#!/usr/bin/env bash
# Fuzzes the portable core: builds the libFuzzer targets of tests/fuzz in the clang tree
# build/fuzz and runs each for SECONDS (default 180), two at a time, from the committed seeds and
# whatever earlier runs found (build/fuzz/corpus/<target>, the only corpus a run adds to). A
# crashing input is saved under build/fuzz/crashes/<target>/; the script then fails.
#
# With --coverage it builds build/fuzz-coverage instead, replays each target's corpus (the seeds
# and what runs found) and prints, with llvm-cov, the line coverage of the files the target aims
# at and every line it never reached.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=180
coverage=0
for arg in "$@"; do
    case $arg in
        --coverage) coverage=1 ;;
        '' | *[!0-9]*)
            echo "usage: bash scripts/fuzz.sh [SECONDS] [--coverage]" >&2
            exit 2
            ;;
        *) seconds=$arg ;;
    esac
done

# The source files each target is there to cover.
declare -A aims=(
    [json_fuzz]="src/protocol/json_text.cpp"
    [text_fuzz]="src/protocol/utf8.cpp src/protocol/trim.cpp src/protocol/unicode_class.cpp
                 src/storage/email_key.cpp"
    [consult_fuzz]="src/consult/chat_request.cpp src/consult/lab_request.cpp
                    src/consult/record_request.cpp src/consult/reply_status.cpp
                    src/consult/wire_text.cpp"
    [storage_fuzz]="src/storage/history_store.cpp src/storage/history_text.cpp
                    src/storage/profile.cpp src/storage/replace_file.cpp"
)

"$root/scripts/install-deps.sh" || exit 1

configure_and_build() {
    local tree=$1
    shift
    cmake -S "$root" -B "$tree" -G Ninja -DALVENA_FUZZ=ON "$@" >/dev/null &&
        cmake --build "$tree" -j "$(nproc)"
}

if [ "$coverage" -eq 0 ]; then
    tree=$root/build/fuzz
    configure_and_build "$tree" -DALVENA_FUZZ_SECONDS="$seconds" || exit 1
    mkdir -p "$tree/crashes"
    started=$tree/crashes/.started
    touch "$started"
    ctest --test-dir "$tree" -j 2 --output-on-failure
    status=$?
    echo "== executions (libFuzzer's final line per target)"
    awk '/^[0-9]+\/[0-9]+ Test: /{name=$NF} /DONE +cov:/{print name ": " $0}' \
        "$tree/Testing/Temporary/LastTest.log"
    crashes=$(find "$tree/crashes" -type f ! -name 'slow-unit-*' -newer "$started" | sort)
    if [ -n "$crashes" ]; then
        echo "== inputs that broke a target (rerun one: build/fuzz/tests/fuzz/alvena_<target> FILE)"
        echo "$crashes"
        status=1
    fi
    exit "$status"
fi

tree=$root/build/fuzz-coverage
configure_and_build "$tree" -DALVENA_FUZZ_COVERAGE=ON -DALVENA_SANITIZE=OFF || exit 1
status=0
for target in $(printf '%s\n' "${!aims[@]}" | sort); do
    binary=$tree/tests/fuzz/alvena_$target
    profile=$tree/profiles/$target
    rm -rf "$profile" && mkdir -p "$profile"
    corpora=("$root/tests/fuzz/corpus/$target")
    [ -d "$root/build/fuzz/corpus/$target" ] && corpora+=("$root/build/fuzz/corpus/$target")
    echo "== $target: $(find "${corpora[@]}" -type f | wc -l) inputs"
    if ! LLVM_PROFILE_FILE=$profile/run.profraw "$binary" -runs=0 "${corpora[@]}" \
        >"$profile/run.log" 2>&1; then
        echo "replaying the corpus failed; see $profile/run.log"
        status=1
        continue
    fi
    llvm-profdata merge -sparse "$profile/run.profraw" -o "$profile/run.profdata" || exit 1
    for file in ${aims[$target]}; do
        llvm-cov show "$binary" -instr-profile="$profile/run.profdata" \
            -show-instantiations=false "$root/$file" | awk -v file="$file" '
                /^ *[0-9]+\| *[0-9.]+[kMG]?\|/ { lines++ }
                /^ *[0-9]+\| *0\|/ {
                    number = $0; sub(/\|.*/, "", number); gsub(/ /, "", number)
                    code = $0; sub(/^ *[0-9]+\| *0\|/, "", code)
                    missed++; unreached = unreached "    not reached: " file ":" number ":" code "\n"
                }
                END { printf "  %s: %d of %d lines reached\n%s", file, lines - missed, lines, unreached }'
    done
done
exit "$status"
