#!/bin/bash
# SPDX-License-Identifier: MIT
# Runs a command in a nested X server that reports two monitors side by side,
# 640x480 (4:3) at the left and 800x450 (16:9) at the right, as Xinerama heads,
# with a window manager of its own. It nests in the X server of DISPLAY: run it
# under tests/xsession.sh.
exec "$(dirname "$0")/ownxserver.sh" Xephyr -extension RANDR +xinerama -noreset \
    -screen 640x480 -screen 800x450 -- "$@"
