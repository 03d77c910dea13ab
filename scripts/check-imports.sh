#!/usr/bin/env bash
# Checks that a Windows exe imports only DLLs that every Windows has: no runtime DLLs to ship;
# not WinHTTP, which the program loads at its first consultation, off the start-up path; and not
# the loader settings it looks up at run time, without which it would not start on a system
# that lacks them; nor libssp's canary seeding, which loads the RSA provider at every start.
set -euo pipefail
exe=$1
allowed='^(kernel32|user32|gdi32|comctl32|shell32|ole32|oleaut32|advapi32|winhttp|rpcrt4|msvcrt|sapi|version|crypt32|ws2_32)\.dll$'
header=$(x86_64-w64-mingw32-objdump -p "$exe")
imports=$(echo "$header" | sed -n 's/^\s*DLL Name: //p' | tr 'A-Z' 'a-z')
echo "$exe imports: $(echo $imports)"

refuse() {
    echo "$1" >&2
    exit 1
}
bad=$(echo "$imports" | grep -v -E "$allowed" || true)
[ -z "$bad" ] || refuse "not a system DLL: $bad"
if echo "$imports" | grep -q -x 'winhttp.dll'; then
    refuse "winhttp.dll is imported: it is to be loaded at the first consultation"
fi
late=$(echo "$header" | grep -o -w -E 'SetDefaultDllDirectories|SetProcessMitigationPolicy' || true)
[ -z "$late" ] || refuse "imported, not looked up at run time: $(echo $late)"
if echo "$header" | grep -q -w 'CryptAcquireContextA'; then
    refuse "CryptAcquireContextA is imported: libssp's canary seeding is linked in"
fi
