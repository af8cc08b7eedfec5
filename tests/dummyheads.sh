#!/bin/bash
# SPDX-License-Identifier: MIT
# Runs a command in an X server whose monitors can be plugged in and out while
# it runs: Xorg with its dummy driver, DUMMY0 on at 800x600, DUMMY1 to DUMMY15
# off until xrandr gives them a mode. With a window manager of its own.
# Xorg needs root (CI runs as root); otherwise this exits with 77, "skipped".
set -u
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
"$(dirname "$0")/ownxserver.sh" Xorg -config "$dir/xorg.conf" -configdir "$dir/conf.d" -noreset \
    -logfile "$dir/log" -- "$@"
