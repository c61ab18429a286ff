#!/bin/sh
# Starts or stops the Wine session of the COM tests:
#   wine-session.sh start|stop <prefix>
# start makes the prefix on first use and keeps one wineserver running, so
# that each test does not pay for a server start.
set -eu
action=$1
export WINEPREFIX=$2 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" WINEARCH=win64

case $action in
start)
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
        /usr/lib/wine/wine64 wineboot -i >/dev/null 2>&1
        wineserver -w
    fi
    # A server left over from an interrupted run would make this one fail.
    wineserver -k >/dev/null 2>&1 || true
    wineserver -w
    # Its output goes nowhere: Wine's background services would otherwise
    # hold the test runner's pipe open.
    wineserver -p >/dev/null 2>&1 </dev/null
    # Start the prefix's background services here, detached from the test
    # runner's output for the same reason.
    /usr/lib/wine/wine64 wineboot >/dev/null 2>&1 </dev/null
    ;;
stop)
    wineserver -k >/dev/null 2>&1 || true
    wineserver -w
    ;;
*)
    echo "usage: wine-session.sh start|stop <prefix>" >&2
    exit 2
    ;;
esac
