#!/usr/bin/env bash
# The MSI as an administrator deploys it. Its tables as Windows Installer reads them (msitools'
# msiinfo): summary texts in the code page the summary declares, a Start-menu shortcut that goes
# straight to the exe (not advertised), the exe's four-part version in the File table, and
# Restart Manager as Windows Installer has it. Then, under Wine in the tests' prefix: a silent
# install; the program, its shortcut and its entry; the installed program's window; a newer MSI
# replacing it in place and the older one then refusing; a silent removal that keeps the users'
# data.
#   msi_test.sh MSI BUILT_ALVENA_EXE DEMO_DRIVER_EXE VERSION MAKE_PACKAGES_PY
set -Eeuo pipefail
# A step that stops the script names itself, instead of a failure with nothing said.
trap 'echo "FAIL: line $LINENO: \"$BASH_COMMAND\" ended with $?" >&2' ERR
. "$(dirname "$0")/../../scripts/wine-common.sh"
msi=$1 built_exe=$2 driver=$3 version=$4 make_packages=$5
env_dir=${ALVENA_TEST_ENV_DIR:?run through ctest}
use_test_env "$env_dir"
. "$(dirname "$0")/package-test-common.sh"

uninstall_keys='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall'
newer_dir=$env_dir/msi-newer
app_pid=

win_env() { "$WINE" cmd /c echo "%$1%" | tr -d '\r'; }
unix_path() { "$WINE" winepath -u "$1" 2>/dev/null; }
win_path() { "$WINE" winepath -w "$1" 2>/dev/null; }
install_dir=$(unix_path "$(win_env ProgramFiles)\\Alvena")
# Windows puts a per-machine package's shortcut in the Start menu of all users; Wine's msiexec
# puts it in the installing user's.
shortcuts=(
    "$(unix_path "$(win_env ProgramData)\\Microsoft\\Windows\\Start Menu\\Programs\\Alvena.lnk")"
    "$(unix_path "$(win_env APPDATA)\\Microsoft\\Windows\\Start Menu\\Programs\\Alvena.lnk")"
)

cleanup() {
    [ -n "$app_pid" ] && kill -KILL "$app_pid" 2>/dev/null
    rm -rf "$newer_dir"
    remove_user_data
}
trap cleanup EXIT

msiexec() { "$WINE" msiexec "$1" "$(win_path "$2")" /qn; }

# The DisplayVersion of every "Apps & features" entry named Alvena, one a line.
alvena_entries() {
    "$WINE" reg query "$uninstall_keys" /s 2>/dev/null | tr -d '\r' | awk '
        /^HKEY_/ { if (name == "Alvena") print version; name = ""; version = "" }
        $1 == "DisplayName" { name = $3 }
        $1 == "DisplayVersion" { version = $3 }
        END { if (name == "Alvena") print version }'
}

expect_one_entry() {
    local entries
    entries=$(alvena_entries)
    [ "$entries" = "$1" ] || fail "$2: entries '${entries//$'\n'/, }', not one of version $1"
}

# Rows of one table, tab-separated, without the three lines of names and types.
table() { msiinfo export "$msi" "$1" | tr -d '\r' | tail -n +4; }
# The code page the summary declares: property 1 of its one section.
summary_codepage() {
    msiinfo extract "$msi" $'\005SummaryInformation' | python3 -c '
import struct, sys
data = sys.stdin.buffer.read()
section = struct.unpack_from("<I", data, 44)[0]
for index in range(struct.unpack_from("<I", data, section + 4)[0]):
    pid, offset = struct.unpack_from("<II", data, section + 8 + 8 * index)
    if pid == 1:
        print(struct.unpack_from("<H", data, section + offset + 4)[0])'
}

codepage=$(summary_codepage)
summary=$(msiinfo suminfo "$msi" | iconv -f "CP${codepage:-0}" -t UTF-8) ||
    fail "the summary is not text in its code page '$codepage'"
for line in "Subject: Instalación de Alvena" "Author: Veltrano Systems" \
    "Comments: Alvena $version para Windows de 64 bits" "Template: x64;3082"; do
    grep -qxF "$line" <<<"$summary" || fail "the summary in code page $codepage lacks '$line'"
done
target=$(table Shortcut | awk -F'\t' '$1 == "StartMenuShortcut" { print $5 }')
[ "$target" = '[#alvena.exe]' ] || [ "$target" = '[INSTALLDIR]alvena.exe' ] ||
    fail "the Start-menu shortcut is advertised or goes elsewhere: target '$target'"
four_part=$(IFS=. read -r a b c _ <<<"$version.0.0"; echo "$a.$b.$c.0")
file_version=$(table File | awk -F'\t' '$1 == "alvena.exe" { print $5 }')
[ "$file_version" = "$four_part" ] ||
    fail "alvena.exe's version in the File table is '$file_version', not $four_part"
restart_manager=$(table Property |
    grep -E '^MSI(RESTARTMANAGERCONTROL|DISABLERMRESTART)\b' || true)
[ -z "$restart_manager" ] || fail "Restart Manager is changed: $restart_manager"

seed_user_data

# A newer package of the same program: only the version differs.
IFS=. read -r major minor patch <<<"$version"
newer_version=$major.$minor.$((patch + 1))
python3 "$make_packages" "$built_exe" "$newer_version" "$newer_dir" >/dev/null
newer_msi=$newer_dir/Alvena-$newer_version-x64.msi

msiexec /i "$msi" || fail "the silent install failed"
cmp -s "$built_exe" "$install_dir/alvena.exe" || fail "no alvena.exe in '$install_dir'"
[ -f "${shortcuts[0]}" ] || [ -f "${shortcuts[1]}" ] || fail "no Start-menu shortcut"
expect_one_entry "$version" "after the install"
"$WINE" reg query "$uninstall_keys" /s 2>/dev/null | tr -d '\r' |
    grep -q 'Publisher *REG_SZ *Veltrano Systems' || fail "no entry names the publisher"

"$WINE" "$install_dir/alvena.exe" &
app_pid=$!
if "$WINE" "$driver" wait; then
    "$WINE" "$driver" close || fail "the installed program's window did not close"
    wait "$app_pid" || fail "the installed program ended with an error"
else
    fail "no window from the installed program"
fi
app_pid=

msiexec /i "$newer_msi" || fail "the newer package did not install"
expect_one_entry "$newer_version" "after the upgrade"
cmp -s "$built_exe" "$install_dir/alvena.exe" || fail "the upgrade lost alvena.exe"
msiexec /i "$msi" && fail "the older package replaced the newer one"
expect_one_entry "$newer_version" "after the older package was refused"

msiexec /x "$newer_msi" || fail "the silent removal failed"
[ -z "$(alvena_entries)" ] || fail "an Alvena entry is left after the removal"
[ ! -e "$install_dir" ] || fail "the program folder is still there"
{ [ -e "${shortcuts[0]}" ] || [ -e "${shortcuts[1]}" ]; } &&
    fail "the Start-menu shortcut is still there"
expect_user_data_kept "the removal"

echo "msi test: $failures failure(s)"
[ "$failures" -eq 0 ]
