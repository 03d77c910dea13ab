#!/usr/bin/env bash
# Builds the release packages of one commit twice, each from its own copy of the sources in a
# fresh folder (of different names and depths), one after the other, the second in another time
# zone and under another umask, and compares the two byte for byte: alvena.exe, every package
# that SHA256SUMS lists and the winget manifests. Fails, naming what differs, when they are not
# identical.
#   check-reproducible.sh [COMMIT]     (default HEAD; uncommitted changes are not built)
# ALVENA_REPRODUCIBLE_KEEP=1 keeps the two folders (their paths are printed) to look into.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
commit=$(git -C "$root" rev-parse "${1:-HEAD}")
# What the build reads from the checkout it no longer has: the commit's time.
export SOURCE_DATE_EPOCH
SOURCE_DATE_EPOCH=$(git -C "$root" log -1 --format=%ct "$commit")

"$root/scripts/install-deps.sh"
work=$(mktemp -d)
if [ "${ALVENA_REPRODUCIBLE_KEEP:-0}" = 1 ]; then
    echo "builds kept in $work"
else
    trap 'rm -rf "$work"' EXIT
fi
echo "commit $commit, SOURCE_DATE_EPOCH=$SOURCE_DATE_EPOCH"
echo "tools: $(x86_64-w64-mingw32-g++-posix --version | head -1);" \
    "$(x86_64-w64-mingw32-ld --version | head -1); makensis $(makensis -VERSION);" \
    "wixl $(wixl --version); $(python3 --version)"

# build SOURCE_FOLDER: the sources of the commit there, built by scripts/package.sh.
build() {
    local dir=$1 start=$SECONDS
    mkdir -p "$dir"
    git -C "$root" archive "$commit" | tar -x -C "$dir"
    if ! bash "$dir/scripts/package.sh" >"$dir.log" 2>&1; then
        cat "$dir.log" >&2
        echo "the build in $dir failed" >&2
        exit 1
    fi
    echo "built in $dir in $((SECONDS - start)) s"
}
first=$work/a
second=$work/second-build/of-the-same-commit
build "$first"
(export TZ=America/Mexico_City && umask 0077 && build "$second")

differ=0
compare() {
    if cmp -s "$first/$1" "$second/$1"; then
        echo "identical: $1"
    else
        echo "DIFFERENT: $1" >&2
        differ=$((differ + 1))
    fi
}
compare build/package-tree/src/app/alvena.exe
compare build/package/SHA256SUMS
while read -r _ name; do
    compare "build/package/$name"
done <"$first/build/package/SHA256SUMS"
for manifest in "$first"/build/package/winget/*; do
    compare "build/package/winget/${manifest##*/}"
done
echo "== SHA256SUMS of both builds"
cat "$first/build/package/SHA256SUMS"
diff "$first/build/package/SHA256SUMS" "$second/build/package/SHA256SUMS" >&2 || true
[ "$differ" -eq 0 ] && echo "reproducible: both builds are byte for byte the same"
[ "$differ" -eq 0 ]
