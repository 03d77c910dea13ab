#!/usr/bin/env bash
# Runs Alvena under Wine against the bundled stand-in of the consultation service, with its data
# in a throwaway Wine prefix. On $DISPLAY when there is one (until you close the window);
# otherwise under Xvfb, where it registers a demo email, saves a screenshot of every page in
# build/screenshots/ and closes the window. ALVENA_DEMO_DPI=144 runs it as on a screen at 150 %
# (the prefix reports that DPI; under Xvfb the screen and the screenshots grow to match).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/scripts/wine-common.sh"
build=$root/build/demo
env_dir=$build/run-env
shots=$root/build/screenshots
port=${ALVENA_DEMO_PORT:-47443}
dpi=${ALVENA_DEMO_DPI:-96}
scaled() { echo $(($1 * dpi / 96)); }

"$root/scripts/install-deps.sh"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
    -DALVENA_SERVICE_HOST=127.0.0.1 -DALVENA_SERVICE_PORT="$port" >/dev/null
cmake --build "$build" -j "$(nproc)" --target alvena add_root_cert demo_driver

cleanup() {
    stop_pid_file "$env_dir/standin.pid"
    WINEPREFIX=$env_dir/prefix "$WINESERVER" -k 2>/dev/null || true
    stop_pid_file "$env_dir/xvfb.pid"
}
trap cleanup EXIT

own_display=
if [ -z "${DISPLAY:-}" ]; then
    own_display=yes
    mkdir -p "$env_dir"
    start_xvfb "$env_dir/display" "$env_dir/xvfb.pid" "$(scaled 1280)x$(scaled 1024)x24"
    export DISPLAY
    DISPLAY=$(cat "$env_dir/display")
fi

# A fresh prefix each run: the demo's profile and history go with it.
stop_pid_file "$env_dir/standin.pid"
rm -rf "$env_dir/prefix" "$env_dir/standin"
mkdir -p "$env_dir/standin"
export WINEPREFIX=$env_dir/prefix
"$WINE" wineboot -i >"$env_dir/wineboot.log" 2>&1
"$WINE" reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
[ -n "$own_display" ] &&
    "$WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1
[ "$dpi" != 96 ] &&
    "$WINE" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1

python3 "$root/tools/standin/standin.py" --state-dir "$env_dir/standin" --port "$port" \
    >"$env_dir/standin.log" 2>&1 &
echo $! >"$env_dir/standin.pid"
if ! wait_for_file "$env_dir/standin/standin.env" 60; then
    cat "$env_dir/standin.log" >&2
    exit 1
fi
ca_der=$(sed -n 's/^STANDIN_CA_DER=//p' "$env_dir/standin/standin.env")
"$WINE" "$build/tools/winhelpers/add_root_cert.exe" "$("$WINE" winepath -w "$ca_der" 2>/dev/null)"

exe=$build/src/app/alvena.exe
driver=$build/tools/winhelpers/demo_driver.exe
if [ -z "$own_display" ]; then
    echo "Alvena runs on $DISPLAY against the stand-in on 127.0.0.1:$port; close its window to end."
    "$WINE" "$exe"
    exit 0
fi

mkdir -p "$shots"
suffix=
[ "$dpi" != 96 ] && suffix=-${dpi}dpi
shoot() {
    # Let the window finish painting what the last step changed.
    "$WINE" "$driver" wait
    sleep 0.5
    import -window root -crop "$(scaled 1000)x$(scaled 740)+0+0" "$shots/$1$suffix.png"
    echo "screenshot: build/screenshots/$1$suffix.png"
}
"$WINE" "$exe" &
app_pid=$!
drive() { "$WINE" "$driver" "$@"; }
drive wait
shoot 01-registro
drive register demo@veltrano.systems
drive type 1202 "Tengo fiebre de 38,5 y dolor de garganta desde ayer. ¿Qué debo vigilar?"
drive click 1203
drive settle
shoot 02-chat
drive tab 1
drive type 1301 $'Hb 10.2 g/dL\r\nVCM 74 fL\r\nFerritina 8 ng/mL'
drive type 1302 45
drive type 1304 "Cansancio"
drive click 1305
drive settle
shoot 03-laboratorio
drive tab 2
drive type 1402 32
drive type 1403 F
drive type 1406 "Dolor abdominal"
drive type 1407 "TA 118/76, FC 96, T 37,9"
drive type 1408 "Dolor en fosa iliaca derecha, Blumberg dudoso."
drive click 1411
drive settle
shoot 04-expediente
drive tab 3
drive row
shoot 05-historial
drive close
wait "$app_pid"
echo "Alvena closed with exit code $?"
