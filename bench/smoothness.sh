#!/bin/bash
# SPDX-License-Identifier: MIT
# smoothness.sh PROGRAM FRAMELOG [ARG]: run by tests/waylandsession.sh beside
# a compositor, runs PROGRAM (with ARG: none for the window, /s) with one heart
# for 14 seconds as the compositor's user, FRAMELOG (libhearts_framelog.so)
# preloaded. For each view, over all but the first four seconds: its frames a
# second, how much its frame time, its heart's drop per frame and its speed in
# each frame (drop over frame time) vary (standard deviation over mean, in per
# cent), and the share of frames whose speed is within 12 % of the mean: a
# frame drawn a few milliseconds late, as the machine schedules it, is one
# that the spread alone would make much of. Frames that draw the same moment
# again, and those in which the heart came back above the top, are left out.
set -eu
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
chmod 755 "$dir"
cp "$1" "$dir/hearts"
cp "$2" "$dir/framelog.so"
# One heart; no frame; near 10, far 100; little-endian.
printf '\x01\0\0\0\0\0\0\0\x0a\0\0\0\x64\0\0\0' >"$dir/KestaConfig.dat"
as=()
if [ "$(id -u)" -eq 0 ]; then
    chown nobody "$dir"
    as=(setpriv --reuid=nobody --regid=nogroup --clear-groups)
fi
(cd "$dir" && "${as[@]}" env -i PATH=/usr/bin:/bin XDG_RUNTIME_DIR="$HEARTS_WAYLAND_RUNTIME" \
    WAYLAND_DISPLAY="$HEARTS_WAYLAND_DISPLAY" LD_PRELOAD="$dir/framelog.so" HEARTS_FRAMELOG="$dir/frames" \
    timeout 14 ./hearts ${3:+"$3"}) || true
awk '
    !($1 in n) { views[++k] = $1 }
    ($1 in n) && $3 == y[$1, n[$1] - 1] { next } # the same moment again
    { t[$1, n[$1]] = $2; y[$1, n[$1]++] = $3 }
    function spread(s, q, c) { return 100 * sqrt(q / c - (s / c) ^ 2) / (s / c) }
    END {
        print "| view | frames a second | frame time varies | drop per frame | drop varies | speed varies | speed within 12 % |"
        print "|---|---:|---:|---:|---:|---:|---:|"
        for (v = 1; v <= k; v++) {
            c = views[v]; st = sq = sd = qd = ss = qs = m = first = 0
            for (i = 1; i < n[c]; i++) {
                if (t[c, i - 1] < t[c, 0] + 4) { first = i; continue }
                dt = t[c, i] - t[c, i - 1]; d = y[c, i - 1] - y[c, i]
                if (dt <= 0 || d <= 0) continue
                st += dt; sq += dt * dt; sd += d; qd += d * d; ss += d / dt; qs += (d / dt) ^ 2; speed[++m] = d / dt
            }
            near = 0
            for (i = 1; i <= m; i++)
                near += speed[i] > 0.88 * ss / m && speed[i] < 1.12 * ss / m
            printf "| %d | %.1f | %.0f %% | %.3f | %.0f %% | %.0f %% | %.0f %% |\n", v, (n[c] - 1 - first) / (t[c, n[c] - 1] - t[c, first]),
                spread(st, sq, m), sd / m, spread(sd, qd, m), spread(ss, qs, m), 100 * near / m
        }
    }' "$dir/frames"
