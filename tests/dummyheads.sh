#!/bin/bash
# Runs a command in an X server whose monitors can be plugged in and out while
# it runs: Xorg with its dummy driver, DUMMY0 on at 800x600, DUMMY1 to DUMMY15
# off until xrandr gives them a mode. With a window manager of its own.
# Xorg needs root (CI runs as root); otherwise this exits with 77, "skipped".
set -eu
if [ "$(id -u)" -ne 0 ]; then
    echo "the X server with pluggable monitors needs root: skipped" >&2
    exit 77
fi
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
cat >"$dir/xorg.conf" <<'CONF'
Section "Device"
    Identifier "card"
    Driver "dummy"
    VideoRam 64000
EndSection
Section "Monitor"
    Identifier "monitor"
    HorizSync 5.0-1000.0
    VertRefresh 5.0-200.0
EndSection
Section "Screen"
    Identifier "screen"
    Device "card"
    Monitor "monitor"
    DefaultDepth 24
    SubSection "Display"
        Depth 24
        Virtual 2048 1024
        Modes "800x600"
    EndSubSection
EndSection
CONF
mkdir "$dir/conf.d"
# The server writes its display number to fd 3 once it accepts clients.
Xorg -displayfd 3 -config "$dir/xorg.conf" -configdir "$dir/conf.d" -noreset \
    -nolisten tcp -logfile "$dir/log" 3>"$dir/display" >/dev/null 2>&1 &
server=$!
for _ in $(seq 100); do
    [ -s "$dir/display" ] && break
    sleep 0.1
done
if [ ! -s "$dir/display" ]; then
    cat "$dir/log" >&2
    kill "$server" 2>/dev/null
    exit 1
fi
export DISPLAY=":$(cat "$dir/display")"
openbox --sm-disable >/dev/null 2>&1 &
wm=$!
for _ in $(seq 100); do
    xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break
    sleep 0.1
done
set +e
"$@"
rc=$?
kill "$wm" "$server" 2>/dev/null
wait "$wm" "$server" 2>/dev/null
exit "$rc"
