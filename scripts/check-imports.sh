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
bad=$(echo "$imports" | grep -v -E "$allowed" || true)
if [ -n "$bad" ]; then
    echo "not a system DLL: $bad" >&2
    exit 1
fi
if echo "$imports" | grep -q -x 'winhttp.dll'; then
    echo "winhttp.dll is imported: it is to be loaded at the first consultation" >&2
    exit 1
fi
late=$(echo "$header" | grep -o -w -E 'SetDefaultDllDirectories|SetProcessMitigationPolicy' || true)
if [ -n "$late" ]; then
    echo "imported, not looked up at run time: $(echo $late)" >&2
    exit 1
fi
if echo "$header" | grep -q -w 'CryptAcquireContextA'; then
    echo "CryptAcquireContextA is imported: libssp's canary seeding is linked in" >&2
    exit 1
fi
