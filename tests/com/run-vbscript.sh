#!/bin/sh
# Runs a VBScript under wine's cscript; its exit code is the script's.
#   run-vbscript.sh <prefix> <script>
set -eu
export WINEPREFIX=$1 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" WINEARCH=win64
# cscript takes a Unix path for a switch.
exec /usr/lib/wine/wine64 cscript //nologo "$(/usr/lib/wine/wine64 winepath -w "$2" 2>/dev/null)"
