#!/usr/bin/env bash
# Fails when rupone.exe imports a DLL that a fresh Windows does not have (the MinGW runtime, say).
set -euo pipefail
exe="$1"
allowed=" kernel32.dll user32.dll gdi32.dll comctl32.dll imm32.dll winmm.dll shell32.dll shlwapi.dll msimg32.dll version.dll msvcrt.dll advapi32.dll ole32.dll oleacc.dll oleaut32.dll comdlg32.dll gdiplus.dll bcrypt.dll normaliz.dll ws2_32.dll "
bad=0
for dll in $(x86_64-w64-mingw32-objdump -p "$exe" | awk '/DLL Name:/ {print tolower($3)}'); do
  case "$allowed" in
    *" $dll "*) echo "imports $dll" ;;
    *) echo "unexpected import: $dll" >&2; bad=1 ;;
  esac
done
exit $bad
