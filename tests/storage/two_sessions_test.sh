#!/usr/bin/env bash
# One clinician in two sessions at once (a Remote Desktop session beside the desktop, or two
# machines sharing one redirected AppData), played by two Wine prefixes, each with its own
# wineserver, whose VeltranoSystems folders are one folder: both save at the same moment, round
# after round, and the shared history must keep every entry in a valid file.
#   two_sessions_test.sh SESSION_WRITER_EXE
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/../../scripts/wine-common.sh"

writer=$1
env_dir=${ALVENA_TEST_ENV_DIR:?run through ctest}
first=$env_dir/prefix
work=$env_dir/two-sessions
second=$work/prefix
rounds=3
each=8
email=sesiones@clinica.es

cleanup() {
    stop_pid_file "$work/a.pid"
    stop_pid_file "$work/b.pid"
    WINEPREFIX=$second "$WINESERVER" -k 2>/dev/null || true
    rm -rf "$work" "${shared:-/nonexistent}/Alvena/history/$email.json"* 
}
trap cleanup EXIT
rm -rf "$work"
mkdir -p "$work"

roaming() {
    local users=$1/drive_c/users
    for dir in "$users"/*/AppData/Roaming; do
        case $dir in */Public/*) continue ;; esac
        echo "$dir"
        return 0
    done
    return 1
}

if ! WINEPREFIX=$second "$WINE" wineboot -i >"$work/wineboot.log" 2>&1; then
    echo "the second prefix did not start" >&2
    exit 1
fi
shared=$(roaming "$first")/VeltranoSystems
mkdir -p "$shared/Alvena/history"
second_roaming=$(roaming "$second") || { echo "no roaming folder in the second prefix" >&2; exit 1; }
rm -rf "$second_roaming/VeltranoSystems"
ln -s "$shared" "$second_roaming/VeltranoSystems"
history=$shared/Alvena/history/$email.json

# Both prefixes see the host's root as drive Z:.
work_win=Z:${work//\//\\}
failed=0
for round in $(seq $rounds); do
    for copy in a b; do
        prefix=$first
        [ $copy = b ] && prefix=$second
        WINEPREFIX=$prefix "$WINE" "$writer" "$email" "$copy$round-" $each \
            "$work_win\\ready-$copy$round" "$work_win\\go-$round" &
        echo $! >"$work/$copy.pid"
    done
    # Both started and waiting, then the same moment for both.
    if ! wait_for_file "$work/ready-a$round" 60 || ! wait_for_file "$work/ready-b$round" 60; then
        echo "round $round: a writer did not start" >&2
        exit 1
    fi
    echo go >"$work/go-$round"
    wait "$(cat "$work/a.pid")"; a=$?
    wait "$(cat "$work/b.pid")"; b=$?
    rm -f "$work/a.pid" "$work/b.pid"
    if [ $a -ne 0 ] || [ $b -ne 0 ]; then
        echo "round $round: a writer failed (exit codes $a and $b)" >&2
        failed=1
    fi
    # Every title of every round so far, each once, in a file that is one JSON array; beside it
    # only its lock file.
    if ! python3 - "$history" "$round" "$each" <<'PY'
import json, sys
path, rounds, each = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
with open(path, "rb") as f:
    raw = f.read()
entries = json.loads(raw.decode("utf-8"))
titles = sorted(e["title"] for e in entries)
expected = sorted(f"{c}{r}-{i}" for c in "ab" for r in range(1, rounds + 1) for i in range(each))
ids = {e["id"] for e in entries}
if titles != expected or len(ids) != len(entries) or raw.endswith(b"\n"):
    missing = sorted(set(expected) - set(titles))
    print(f"round {rounds}: {len(entries)} entries, missing {missing}", file=sys.stderr)
    sys.exit(1)
print(f"round {rounds}: all {len(entries)} entries of both sessions are in the history")
PY
    then
        failed=1
    fi
done
names=$(cd "$shared/Alvena/history" && ls -A | grep -F "$email")
if [ "$names" != "$(printf '%s\n%s' "$email.json" "$email.json.lock")" ]; then
    echo "the history folder holds more than the history and its lock: $names" >&2
    failed=1
fi
[ $failed -eq 0 ] && echo "two sessions: passed"
exit $failed
