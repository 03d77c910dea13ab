#!/usr/bin/env bash
# Builds the release packages for Windows users into build/package/: Alvena-<version>-setup.exe,
# the per-user installer, Alvena-<version>-x64.msi, the per-machine package for managed
# deployment, Alvena-<version>-win64.zip, the portable program, SHA256SUMS, and winget/, the
# winget manifests of the first two, which give their download addresses as ALVENA_RELEASE_URL
# (https; the maker's site by default) followed by the file name. The exe is a Release build with
# the production service address (the build's defaults), in a tree of its own. Two runs on the
# same commit give the same bytes (unsigned); scripts/check-reproducible.sh checks.
# Signed when the environment names the publisher's certificate (installer/make_packages.py); the
# time-stamping address is then required (`none` signs without a time stamp, for tests):
#   ALVENA_SIGN_PKCS12=cert.p12 ALVENA_SIGN_PASSWORD_FILE=password.txt \
#   ALVENA_SIGN_TIMESTAMP_URL=http://timestamp.example bash scripts/package.sh
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
tree=$root/build/package-tree
out=$root/build/package

"$root/scripts/install-deps.sh"
# -U drops an address an earlier configure of this tree may have cached: always the defaults.
cmake -S "$root" -B "$tree" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
    -UALVENA_SERVICE_HOST -UALVENA_SERVICE_PORT -DALVENA_BENCHMARKS=OFF \
    -DALVENA_PACKAGE_DIR="$out" >/dev/null
# Only this version's packages: nothing older is left beside them.
rm -rf "$out"
cmake --build "$tree" -j "$(nproc)" --target packages

sed -n 's/^ALVENA_SERVICE_\(HOST\|PORT\):STRING=/service \1: /p' "$tree/CMakeCache.txt"
ls -l "$out" "$out/winget"
