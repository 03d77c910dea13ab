#!/usr/bin/env bash
# Mutation check of the portable core: puts each slip of scripts/mutants.txt, one at a time, into
# a scratch copy of the sources, rebuilds the native tree of that copy incrementally (gcc with
# AddressSanitizer and UBSan, as scripts/test.sh builds it, without the benchmarks) and runs its
# GoogleTest suites. A mutant is killed when a test fails, crashes or outlasts the timeout, and
# survives when they all pass. Prints each mutant, then the kill rate; mutants the table marks as
# changing nothing observable are run and shown but not counted.
#   bash scripts/mutate.sh [NAME...]     only the named mutants
# The working tree is only read: the copy and its build live in ALVENA_MUTATE_DIR (default
# build/mutate) and are reused by the next run. ALVENA_MUTATE_TIMEOUT (default 120) is the limit
# in seconds for one test program. Exit status: 0 when every counted mutant is killed, 1 when some
# survive, 2 when the check itself cannot run (a failing build or test without mutants, a mutant
# whose text is not found exactly once).
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
table=$root/scripts/mutants.txt
scratch=${ALVENA_MUTATE_DIR:-$root/build/mutate}
source=$scratch/source
tree=$scratch/native
timeout=${ALVENA_MUTATE_TIMEOUT:-120}
jobs=$(nproc)
log=$scratch/last.log

"$root/scripts/install-deps.sh" || exit 2
mkdir -p "$source"

# The table's parser, the copying of the sources and the putting in of one mutant.
tool() {
    python3 - "$@" <<'PY'
import os, sys

def read_table(path):
    mutants, current = [], None
    for number, raw in enumerate(open(path, encoding="utf-8"), 1):
        line = raw.rstrip("\n").rstrip()
        text = line.lstrip()
        if not text or text.startswith("#"):
            continue
        if line == text:  # a heading: NAME FILE
            name, _, file = text.partition(" ")
            current = {"name": name, "file": file.strip(), "find": None, "into": None,
                       "why": "", "line": number}
            mutants.append(current)
        elif current is not None and text[0] in "-+=" and text[1:2] in ("", " "):
            current[{"-": "find", "+": "into", "=": "why"}[text[0]]] = text[2:]
        else:
            sys.exit(f"{path}:{number}: not part of a mutant: {text}")
    for m in mutants:
        if not m["file"] or m["find"] is None or m["into"] is None:
            sys.exit(f"{path}:{m['line']}: {m['name']} needs a file, a - line and a + line")
    return mutants

command, args = sys.argv[1], sys.argv[2:]
if command == "list":  # name, file and the reason it is not counted, tab-separated
    table, wanted = args[0], set(args[1:])
    mutants = read_table(table)
    unknown = wanted - {m["name"] for m in mutants}
    if unknown:
        sys.exit("no such mutant: " + " ".join(sorted(unknown)))
    for m in mutants:
        if not wanted or m["name"] in wanted:
            print(f"{m['name']}\t{m['file']}\t{m['why']}")
elif command == "apply":  # puts the named mutant into the copy
    table, name, copy = args
    m = next(m for m in read_table(table) if m["name"] == name)
    path = os.path.join(copy, m["file"])
    content = open(path, encoding="utf-8").read()
    count = content.count(m["find"])
    if count != 1:
        sys.exit(f"{name}: '{m['find']}' occurs {count} times in {m['file']}, not once")
    open(path, "w", encoding="utf-8").write(content.replace(m["find"], m["into"]))
elif command == "sync":  # makes the copy hold the working tree's files, rewriting only changes
    origin, copy, listing = args
    wanted = set()
    for relative in open(listing, encoding="utf-8").read().split("\0"):
        source = os.path.join(origin, relative)
        if not relative or not os.path.isfile(source):
            continue  # deleted but not yet committed
        wanted.add(relative)
        target = os.path.join(copy, relative)
        data = open(source, "rb").read()
        if os.path.isfile(target) and open(target, "rb").read() == data:
            continue  # its time stays, so nothing that depends on it is rebuilt
        os.makedirs(os.path.dirname(target), exist_ok=True)
        with open(target, "wb") as out:
            out.write(data)
    for folder, _, files in os.walk(copy):
        for file in files:
            full = os.path.join(folder, file)
            if os.path.relpath(full, copy) not in wanted:
                os.remove(full)
PY
}

mutants=$(tool list "$table" "$@") || exit 2

# The copy: tracked files and new ones not ignored, as they stand in the working tree. A file is
# rewritten only when its content differs, with a fresh time, so that the build tree never takes
# a file put back to its content of an earlier run for one it has already built.
git -C "$root" ls-files -z --cached --others --exclude-standard >"$scratch/files"
tool sync "$root" "$source" "$scratch/files" || exit 2
cmake -S "$source" -B "$tree" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DALVENA_SANITIZE=ON \
    -DALVENA_BENCHMARKS=OFF >/dev/null || exit 2

# Builds the copy and runs its GoogleTest suites (the stand-in's Python tests test no C++);
# prints the failing tests, or the failing CTest programs when a crash left no test name.
build_and_test() {
    if ! cmake --build "$tree" -j "$jobs" >"$log" 2>&1; then
        return 3
    fi
    if ctest --test-dir "$tree" -E '^standin_tests$' --timeout "$timeout" -j "$jobs" \
        --output-on-failure >"$log" 2>&1; then
        return 0
    fi
    local failed
    failed=$(sed -n 's/^\[  FAILED  \] \([A-Za-z0-9_]*\.[A-Za-z0-9_]*\).*/\1/p' "$log" | sort -u)
    [ -n "$failed" ] || failed=$(sed -n 's/^[[:space:]]*[0-9]* - \([a-z_]*\) (\(.*\))$/\1 (\2)/p' "$log")
    # The first few are enough to tell which test saw the slip.
    echo "$failed" | awk 'NR <= 3 {printf "%s%s", (NR > 1 ? " " : ""), $0} END {if (NR > 3) printf " and %d more", NR - 3; print ""}'
    return 1
}

start=$(date +%s)
echo "== mutation check: $(echo "$mutants" | wc -l) mutants, $(date -u '+%Y-%m-%d %H:%M UTC')," \
    "load $(cut -d' ' -f1-3 /proc/loadavg)"
build_and_test >/dev/null
case $? in
    0) echo "without mutants: built and tested in $(($(date +%s) - start)) s" ;;
    3) cat "$log"; echo "the copy does not build without mutants"; exit 2 ;;
    *) cat "$log"; echo "the native tests fail without mutants"; exit 2 ;;
esac

counted=0
killed=0
not_counted=0
survivors=()
broken=()
while IFS=$'\t' read -r -u 3 name file why; do
    if [ ! -f "$source/$file" ]; then
        printf '%-9s %-24s %-30s %s\n' "not found" "$name" "$file" "no such file"
        broken+=("$name")
        continue
    fi
    cp "$source/$file" "$scratch/original"
    if ! detail=$(tool apply "$table" "$name" "$source" 2>&1); then
        printf '%-9s %-24s %-30s %s\n' "not found" "$name" "$file" "$detail"
        broken+=("$name")
        continue
    fi
    detail=$(build_and_test </dev/null)
    status=$?
    # Put back with a fresh time: the next build recompiles what this mutant changed.
    cp "$scratch/original" "$source/$file"
    case $status in
        0) verdict=survived ;;
        1) verdict=killed ;;
        *) verdict="not built" detail="see $scratch/$name.log"; cp "$log" "$scratch/$name.log" ;;
    esac
    if [ "$verdict" = "not built" ]; then
        broken+=("$name")
    elif [ -n "$why" ]; then
        not_counted=$((not_counted + 1))
        if [ "$verdict" = killed ]; then
            broken+=("$name")
            detail="marked as changing nothing, yet seen by $detail"
        else
            detail="not counted: $why"
        fi
    else
        counted=$((counted + 1))
        if [ "$verdict" = killed ]; then
            killed=$((killed + 1))
        else
            survivors+=("$name")
        fi
    fi
    printf '%-9s %-24s %-30s %s\n' "$verdict" "$name" "$file" "$detail"
done 3<<<"$mutants"

echo "== killed $killed of $counted counted mutants" \
    "($((counted ? 100 * killed / counted : 0)) %), $not_counted not counted," \
    "in $(($(date +%s) - start)) s${survivors[*]:+; survived: ${survivors[*]}}"
if [ ${#broken[@]} -gt 0 ]; then
    echo "the table needs mending: ${broken[*]}"
    exit 2
fi
[ ${#survivors[@]} -eq 0 ]
