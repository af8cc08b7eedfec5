#!/bin/bash
# SPDX-License-Identifier: MIT
# ownxserver.sh SERVER [ARGS...] -- COMMAND [ARGS...]
# Starts an X server of the test's own (it must take -displayfd), then runs the
# command on it with a window manager (tests/xsession.sh), and stops the server.
set -eu
server=()
while [ "$1" != -- ]; do
    server+=("$1")
    shift
done
shift
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
# The server writes its display number to fd 3 once it accepts clients.
"${server[@]}" -displayfd 3 -nolisten tcp 3>"$dir/display" >"$dir/log" 2>&1 &
pid=$!
for _ in $(seq 100); do
    [ -s "$dir/display" ] && break
    sleep 0.1
done
if [ ! -s "$dir/display" ]; then
    cat "$dir/log" >&2
    kill "$pid" 2>/dev/null
    exit 1
fi
set +e
DISPLAY=":$(cat "$dir/display")" HEARTS_XSESSION=1 "$(dirname "$0")/xsession.sh" "$@"
rc=$?
kill "$pid" 2>/dev/null
wait "$pid" 2>/dev/null
exit "$rc"
