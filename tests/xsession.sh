#!/bin/bash
# SPDX-License-Identifier: MIT
# Runs a command inside a private X server (Mesa's software OpenGL) with a
# window manager, which full-screen windows need: its screen 1280x1024, or
# as HEARTS_SCREEN says (WxHxDEPTH). Inside one already (HEARTS_XSESSION
# set), it only adds the window manager on DISPLAY.
set -eu
# The program would take a Wayland session's compositor over this X server.
unset WAYLAND_DISPLAY
# Tests read the program's error output, to which Qt 6 adds a warning of its
# own in a locale that is not UTF-8, as a fresh machine's may be.
export LC_ALL=C.UTF-8
if [ -z "${HEARTS_XSESSION:-}" ]; then
    export HEARTS_XSESSION=1
    exec xvfb-run -a -s "-screen 0 ${HEARTS_SCREEN:-1280x1024x24} -nolisten tcp -noreset" "$0" "$@"
fi
openbox --sm-disable >/dev/null 2>&1 &
wm=$!
# Up to 30 s: a loaded machine can be slow to start it.
for _ in $(seq 300); do
    xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break
    kill -0 "$wm" 2>/dev/null || { echo "xsession.sh: the window manager ended" >&2; break; }
    sleep 0.1
done
set +e
"$@"
rc=$?
kill "$wm" 2>/dev/null
wait "$wm" 2>/dev/null
exit "$rc"
