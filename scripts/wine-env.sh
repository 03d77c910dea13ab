#!/usr/bin/env bash
# Makes or removes the environment in which the Windows tests run: a fresh Wine prefix (no crash
# dialog, no window manager waits), a private Xvfb display for the window tests, and the
# stand-in service, with its CA trusted in that prefix only. A scaled environment has no
# stand-in; its prefix reports DPI to every program, on a screen scaled to match.
#   wine-env.sh setup ENV_DIR ADD_ROOT_CERT_EXE
#   wine-env.sh setup-scaled ENV_DIR DPI
#   wine-env.sh teardown ENV_DIR
# ALVENA_STANDIN_PORT, when set, is the stand-in's HTTPS port (otherwise any free one).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/wine-common.sh"

teardown() {
    local env_dir=$1
    stop_pid_file "$env_dir/standin.pid"
    stop_pid_file "$env_dir/xvfb.pid"
    rm -f "$env_dir/display"
    if [ -d "$env_dir/prefix" ]; then
        WINEPREFIX=$env_dir/prefix "$WINESERVER" -k 2>/dev/null || true
    fi
}

# A fresh prefix on a private display of the given screen size.
make_prefix() {
    local env_dir=$1 screen=$2
    teardown "$env_dir"
    # Fresh certificates too: a CA from an earlier run is not trusted by the new prefix.
    rm -rf "$env_dir/prefix" "$env_dir/standin"
    mkdir -p "$env_dir"
    export WINEPREFIX=$env_dir/prefix
    start_xvfb "$env_dir/display" "$env_dir/xvfb.pid" "$screen"
    export DISPLAY
    DISPLAY=$(cat "$env_dir/display")

    "$WINE" wineboot -i >"$env_dir/wineboot.log" 2>&1
    "$WINE" reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
    "$WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1
}

setup() {
    local env_dir=$1 add_root_cert=$2
    make_prefix "$env_dir" 1280x1024x24
    mkdir -p "$env_dir/standin"

    python3 "$here/../tools/standin/standin.py" --state-dir "$env_dir/standin" \
        ${ALVENA_STANDIN_PORT:+--port "$ALVENA_STANDIN_PORT"} >"$env_dir/standin.log" 2>&1 &
    echo $! >"$env_dir/standin.pid"
    if ! wait_for_file "$env_dir/standin/standin.env" 60; then
        echo "the stand-in did not start:" >&2
        cat "$env_dir/standin.log" >&2
        return 1
    fi
    local ca_der
    ca_der=$(sed -n 's/^STANDIN_CA_DER=//p' "$env_dir/standin/standin.env")
    "$WINE" "$add_root_cert" "$("$WINE" winepath -w "$ca_der" 2>/dev/null)"
    echo "wine environment ready in $env_dir"
    cat "$env_dir/standin/standin.env"
}

setup_scaled() {
    local env_dir=$1 dpi=$2
    make_prefix "$env_dir" "$((1280 * dpi / 96))x$((1024 * dpi / 96))x24"
    # Read by each program as it starts: set before any test runs here.
    "$WINE" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1
    echo "wine environment at $dpi DPI ready in $env_dir"
}

case ${1:-} in
    setup) setup "$2" "$3" ;;
    setup-scaled) setup_scaled "$2" "$3" ;;
    teardown) teardown "$2" ;;
    *)
        echo "usage: $0 setup ENV_DIR ADD_ROOT_CERT_EXE | setup-scaled ENV_DIR DPI |" \
            "teardown ENV_DIR" >&2
        exit 2
        ;;
esac
