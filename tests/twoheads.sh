#!/bin/bash
# Runs a command in a nested X server that reports two monitors side by side,
# 640x480 (4:3) at the left and 800x450 (16:9) at the right, as Xinerama heads,
# with a window manager of its own. It nests in the X server of DISPLAY: run it
# under tests/xsession.sh.
set -eu
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
# The server writes its display number to fd 3 once it accepts clients.
Xephyr -displayfd 3 -extension RANDR +xinerama -screen 640x480 -screen 800x450 \
    -nolisten tcp 3>"$dir/display" >"$dir/log" 2>&1 &
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
