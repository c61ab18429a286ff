#!/bin/sh
# regsvr32 writes the class, the ProgIDs and the type library; regsvr32 /u
# takes every one of them away again. Runs inside the session that
# wine-session.sh started.
#   registration.sh <prefix> <dll>
# TAVRIX_WINE names the loader (default wine64; the 32-bit guest sets wine).
set -eu
export WINEPREFIX=$1 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" WINEARCH=${WINEARCH:-win64}
wine=${TAVRIX_WINE:-/usr/lib/wine/wine64}
dll=$($wine winepath -w "$2" 2>/dev/null)

# These identifiers are published: a change breaks every installed host.
clsid='{F565B520-6772-4F5C-8824-EC91EC7CC86C}'
libid='{CA6AA882-8849-4366-B5FA-158666400325}'
iid='{DAFE17DB-C752-4550-8C3A-629653AF9504}'

keys="HKCR\\CLSID\\$clsid
HKCR\\CLSID\\$clsid\\InprocServer32
HKCR\\CLSID\\$clsid\\ProgID
HKCR\\CLSID\\$clsid\\VersionIndependentProgID
HKCR\\CLSID\\$clsid\\TypeLib
HKCR\\comTavrix.TavrixCom\\CLSID
HKCR\\comTavrix.TavrixCom\\CurVer
HKCR\\comTavrix.TavrixCom.1\\CLSID
HKCR\\TypeLib\\$libid\\1.0
HKCR\\Interface\\$iid"

status=0
fail() {
    echo "FAIL: $*"
    status=1
}
value_of() {  # key, value name ("" for the default value)
    if [ -z "$2" ]; then
        $wine reg query "$1" /ve 2>/dev/null | tr -d '\r' | sed -n 's/.*REG_SZ[[:space:]]*//p'
    else
        $wine reg query "$1" /v "$2" 2>/dev/null | tr -d '\r' | sed -n 's/.*REG_SZ[[:space:]]*//p'
    fi
}
expect_value() {  # key, value name, expected
    actual=$(value_of "$1" "$2")
    [ "$actual" = "$3" ] || fail "$1 [$2] is '$actual', expected '$3'"
}

$wine regsvr32 /s "$dll" || fail "regsvr32 /s returned $?"
echo "$keys" | while read -r key; do
    $wine reg query "$key" >/dev/null 2>&1 || echo "FAIL: $key missing after registering"
done | grep . && status=1
expect_value "HKCR\\CLSID\\$clsid\\InprocServer32" "" "$dll"
expect_value "HKCR\\CLSID\\$clsid\\InprocServer32" ThreadingModel Apartment
expect_value "HKCR\\CLSID\\$clsid\\VersionIndependentProgID" "" comTavrix.TavrixCom
expect_value "HKCR\\comTavrix.TavrixCom\\CLSID" "" "$clsid"
expect_value "HKCR\\Interface\\$iid" "" _TavrixCom

$wine regsvr32 /u /s "$dll" || fail "regsvr32 /u /s returned $?"
for key in "HKCR\\CLSID\\$clsid" "HKCR\\comTavrix.TavrixCom" "HKCR\\comTavrix.TavrixCom.1" \
    "HKCR\\TypeLib\\$libid" "HKCR\\Interface\\$iid"; do
    if $wine reg query "$key" >/dev/null 2>&1; then
        fail "$key left behind after unregistering"
    fi
done

# Unregistering twice is no failure.
$wine regsvr32 /u /s "$dll" || fail "a second regsvr32 /u /s returned $?"
exit $status
