#!/usr/bin/env bash
# Runs a Windows test executable under Wine, in the prefix and with the stand-in's ports that
# wine-env.sh prepared for the build tree. CTest uses it as the cross-compiling emulator.
set -euo pipefail
. "$(dirname "$0")/wine-common.sh"

use_test_env "${ALVENA_TEST_ENV_DIR:?run through ctest, or set ALVENA_TEST_ENV_DIR}"
exec "$WINE" "$@"
