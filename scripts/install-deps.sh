#!/usr/bin/env bash
# Installs, as root on Debian, whatever the build and the tests need and the machine lacks.
# Does nothing (and needs no network) when everything is already there.
set -euo pipefail

packages=(
    cmake ninja-build g++ pkg-config
    libgtest-dev googletest libbenchmark-dev
    g++-mingw-w64-x86-64-posix
    wine64 xvfb x11-utils imagemagick
    python3 openssl
    nsis wixl osslsigncode msitools python3-yaml
    clang libclang-rt-14-dev llvm
)

missing=()
for package in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$package")
    fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -ne 0 ]; then
    echo "missing packages (run as root to install them): ${missing[*]}" >&2
    exit 1
fi
echo "installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
apt-get update -q
apt-get install -y -q --no-install-recommends "${missing[@]}"
