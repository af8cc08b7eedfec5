#!/bin/bash
# SPDX-License-Identifier: MIT
# Runs a command with the two monitors of tests/twoheads.sh, 640x480 (4:3) at
# the left and 800x450 (16:9) at the right, as RandR outputs of Xorg's dummy
# driver (tests/dummyheads.sh, which needs root: without it, skipped). Qt 6
# learns of monitors only through RandR, and Xephyr's nested heads are
# Xinerama's alone.
set -eu
if [ -z "${HEARTS_RANDRHEADS:-}" ]; then
    export HEARTS_RANDRHEADS=1
    exec "$(dirname "$0")/dummyheads.sh" "$0" "$@"
fi
xrandr --newmode 800x450 28.75 800 824 904 1008 450 453 458 475 -hsync +vsync
xrandr --addmode DUMMY0 640x480
xrandr --addmode DUMMY1 800x450
xrandr --output DUMMY0 --mode 640x480 --pos 0x0 --output DUMMY1 --mode 800x450 --pos 640x0
exec "$@"
