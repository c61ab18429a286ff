#!/bin/sh
# Runs the dialog tests under wine64 on a virtual X display of their own:
#   run-under-xvfb.sh <prefix> <comTavrix.dll> <screenshot-folder> <test.exe>...
# The prefix is theirs alone (made on first use), with Wine's X11 driver set
# for a display without a window manager. The plug-in is registered around
# the tests. A test asks for a screenshot by writing <name>.request (the crop
# geometry) into the folder, with its own capture <name>.bmp beside it; the
# watcher here answers with <name>-xwd.png (the X display) and <name>.png.
set -eu

prefix=$1
dll=$2
shots=$3

# xvfb-run picks a free display; when another one starts at the same moment
# the server may fail to come up. The tests then have not begun: try again.
if [ -z "${TAVRIX_DIALOG_DISPLAY:-}" ]; then
    export TAVRIX_DIALOG_DISPLAY=1
    mkdir -p "$shots"
    for attempt in 1 2 3; do
        rm -f "$shots/.started"
        status=0
        xvfb-run -a -e "$shots/xvfb.log" -s "-screen 0 1024x768x24 -nolisten tcp" \
            sh "$0" "$@" || status=$?
        [ -f "$shots/.started" ] && break
        echo "run-under-xvfb: no display (attempt $attempt)" >&2
        cat "$shots/xvfb.log" >&2 || true
        sleep 2
    done
    rm -f "$shots/.started"
    exit $status
fi
touch "$shots/.started"
shift 3
here=$(cd "$(dirname "$0")" && pwd)
wine=/usr/lib/wine/wine64
export WINEPREFIX="$prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" WINEARCH=win64
# /usr/local/bin may hold a stand-in that only serves image viewers.
convert=/usr/bin/convert
[ -x "$convert" ] || convert=convert

sh "$here/../com/wine-session.sh" start "$prefix"
# Without a window manager, a managed window stalls each time it hides, and
# an undecorated one shows no title bar in the screenshots.
for key in Managed Decorated; do
    "$wine" reg add 'HKCU\Software\Wine\X11 Driver' /v "$key" /d N /f >/dev/null 2>&1
done
# This Wine does not find its own TrueType fonts: without them the dialog
# font falls back to another face and the caption buttons show letters.
if [ -d /usr/share/wine/fonts ]; then
    for font in tahoma.ttf tahomabd.ttf marlett.ttf; do
        [ -f "/usr/share/wine/fonts/$font" ] &&
            cp -f "/usr/share/wine/fonts/$font" "$prefix/drive_c/windows/Fonts/"
    done
fi
dll_windows=$(printf 'Z:%s' "$dll" | tr / '\\')
"$wine" regsvr32 /s "$dll_windows"

mkdir -p "$shots"
export TAVRIX_SCREENSHOT_DIR="$shots"
rm -f "$shots"/*.request "$shots/.stop"
(
    while [ ! -f "$shots/.stop" ]; do
        for request in "$shots"/*.request; do
            [ -f "$request" ] || continue
            name=$(basename "$request" .request)
            xwd -root -silent | "$convert" xwd:- -crop "$(cat "$request")" +repage \
                "png:$shots/$name-xwd.png" || echo "screenshot $name failed" >&2
            if [ -f "$shots/$name.bmp" ]; then
                "$convert" "$shots/$name.bmp" "png:$shots/$name.png" && rm -f "$shots/$name.bmp"
            fi
            rm -f "$request"
        done
        sleep 0.1
    done
) &
watcher=$!

status=0
for test in "$@"; do
    "$wine" "$test" || status=1
done

touch "$shots/.stop"
wait "$watcher" || true
rm -f "$shots/.stop"
"$wine" regsvr32 /u /s "$dll_windows" || true
sh "$here/../com/wine-session.sh" stop "$prefix"
exit $status
