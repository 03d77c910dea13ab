#!/usr/bin/env bash
# Runs a Windows test executable under Wine, in the prefix and with the stand-in's ports that
# wine-env.sh prepared for the build tree. CTest uses it as the cross-compiling emulator.
set -euo pipefail
. "$(dirname "$0")/wine-common.sh"

env_dir=${ALVENA_TEST_ENV_DIR:?run through ctest, or set ALVENA_TEST_ENV_DIR}
export WINEPREFIX=$env_dir/prefix
if [ -f "$env_dir/standin/standin.env" ]; then
    set -a
    . "$env_dir/standin/standin.env"
    set +a
fi
if [ -f "$env_dir/display" ]; then
    export DISPLAY
    DISPLAY=$(cat "$env_dir/display")
fi
exec "$WINE" "$@"
