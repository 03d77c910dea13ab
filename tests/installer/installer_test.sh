#!/usr/bin/env bash
# The release packages as a Windows user gets them, under Wine in the tests' prefix: a silent
# install, twice; the installed program's window; a silent uninstall that keeps the user's data;
# the portable zip's exe started from the folder it was unpacked into.
#   installer_test.sh SETUP_EXE PORTABLE_ZIP BUILT_ALVENA_EXE DEMO_DRIVER_EXE VERSION
set -euo pipefail
. "$(dirname "$0")/../../scripts/wine-common.sh"
setup=$1 zip=$2 built_exe=$3 driver=$4 version=$5
env_dir=${ALVENA_TEST_ENV_DIR:?run through ctest}
use_test_env "$env_dir"
. "$(dirname "$0")/package-test-common.sh"

key='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Alvena'
unpacked=$env_dir/portable
app_pid=

appdata=$("$WINE" winepath -u "$("$WINE" cmd /c echo '%APPDATA%' | tr -d '\r')")
shortcut="$appdata/Microsoft/Windows/Start Menu/Programs/Alvena.lnk"

cleanup() {
    [ -n "$app_pid" ] && kill -KILL "$app_pid" 2>/dev/null
    rm -rf "$unpacked"
    remove_user_data
}
trap cleanup EXIT

# Starts a program and waits for Alvena's window; runs the check $2, if given, while it shows;
# closes it and expects exit code 0.
shows_window() {
    "$WINE" "$1" &
    app_pid=$!
    if ! "$WINE" "$driver" wait; then
        fail "no window from $1"
        return
    fi
    if [ -n "${2:-}" ]; then
        "$2"
    fi
    "$WINE" "$driver" close || fail "the window of $1 did not close"
    local code=0
    wait "$app_pid" || code=$?
    app_pid=
    [ "$code" -eq 0 ] || fail "$1 ended with exit code $code"
}

reg_value() {
    sed -n "s/^ *$1 \+REG_[A-Z_]\+ \+//p" <<<"$reg"
}

seed_user_data

# Install, then install again over a damaged copy: the second run replaces the program in place.
"$WINE" "$setup" /S || fail "the silent install failed"
reg=$("$WINE" reg query "$key" | tr -d '\r')
install_dir=$("$WINE" winepath -u "$(reg_value InstallLocation)")
[ -f "$install_dir/alvena.exe" ] || { echo "FAIL: no alvena.exe in '$install_dir'" >&2; exit 1; }
printf 'older' >"$install_dir/alvena.exe"
"$WINE" "$setup" /S || fail "the second silent install failed"
cmp -s "$built_exe" "$install_dir/alvena.exe" || fail "the second install did not replace alvena.exe"

reg=$("$WINE" reg query "$key" | tr -d '\r')
for name in DisplayName DisplayVersion Publisher InstallLocation UninstallString \
    QuietUninstallString DisplayIcon EstimatedSize NoModify NoRepair; do
    [ -n "$(reg_value "$name")" ] || fail "uninstall value $name missing"
done
[ "$(reg_value DisplayVersion)" = "$version" ] || fail "DisplayVersion is not $version"
uninstaller=$(reg_value UninstallString | tr -d '"')
[ "$(reg_value QuietUninstallString)" = "\"$uninstaller\" /S" ] ||
    fail "QuietUninstallString is not the uninstaller with /S"
[ -f "$shortcut" ] || fail "no Start-menu shortcut"

# While Alvena runs, a silent install must refuse and leave the program as it is.
install_over_running() {
    "$WINE" "$setup" /S && fail "installing over a running Alvena reported success"
    cmp -s "$built_exe" "$install_dir/alvena.exe" || fail "installing over a running Alvena changed it"
}
shows_window "$install_dir/alvena.exe" install_over_running

# The uninstaller goes on from a copy of itself in the temporary folder and deletes the key last.
"$WINE" "$uninstaller" /S || fail "the silent uninstall failed"
deadline=$((SECONDS + 30))
while "$WINE" reg query "$key" >/dev/null 2>&1; do
    [ $SECONDS -lt $deadline ] || { fail "the uninstall key is still there"; break; }
    sleep 0.2
done
[ ! -e "$install_dir" ] || fail "the program folder is still there"
[ ! -e "$shortcut" ] || fail "the Start-menu shortcut is still there"
expect_user_data_kept "the uninstall"

mkdir -p "$unpacked"
(cd "$unpacked" && cmake -E tar xf "$zip")
[ -f "$unpacked/LEEME.txt" ] || fail "no LEEME.txt in the zip"
shows_window "$unpacked/alvena.exe"

echo "installer test: $failures failure(s)"
[ "$failures" -eq 0 ]
