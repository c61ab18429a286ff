#!/bin/sh
# The plug-in must load on a bare Windows: it may import system DLLs only
# (no MinGW runtime), and export exactly the four server entry points.
#   check-dll-linkage.sh <objdump> <dll>
set -eu
objdump=$1
dll=$2
dump=$("$objdump" -p "$dll")

status=0
system_dlls=" advapi32.dll bcrypt.dll comctl32.dll comdlg32.dll crypt32.dll gdi32.dll iphlpapi.dll "
system_dlls="$system_dlls kernel32.dll msvcrt.dll ole32.dll oleaut32.dll shell32.dll user32.dll "
system_dlls="$system_dlls uxtheme.dll version.dll ws2_32.dll "
for name in $(printf '%s\n' "$dump" | sed -n 's/^[[:space:]]*DLL Name: //p' | tr 'A-Z' 'a-z'); do
    case $system_dlls in
    *" $name "*) ;;
    *) echo "imports a DLL that is not part of Windows: $name"; status=1 ;;
    esac
done

exports=$(printf '%s\n' "$dump" | sed -n '/^\[Ordinal\/Name Pointer\] Table/,/^$/p' |
    sed -n 's/^[[:space:]]*\[[[:space:]]*[0-9]*\][[:space:]]*//p' | sort | tr '\n' ' ')
expected="DllCanUnloadNow DllGetClassObject DllRegisterServer DllUnregisterServer "
if [ "$exports" != "$expected" ]; then
    echo "exports: $exports"
    echo "expected: $expected"
    status=1
fi
exit $status
