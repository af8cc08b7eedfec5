#!/bin/bash
# SPDX-License-Identifier: MIT
# pace.sh PROGRAM [COUNT...]: the frames and ticks a second of wall time that
# PROGRAM's "/s" gets at each heart count (default 80, 1000 and 5000), from its
# pace log: the mean of ten one-second reports after two of warm-up. Run it in
# an X server, as tests/xsession.sh gives one.
set -eu
program=$(realpath "$1")
shift
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
cd "$dir"
echo "| hearts | frames a second | ticks a second |"
echo "|---:|---:|---:|"
counts=("$@")
[ $# -gt 0 ] || counts=(80 1000 5000)
for count in "${counts[@]}"; do
    # The settings file: the count, no frame, near 10, far 100, little-endian.
    printf "$(printf '\\x%02x\\x%02x' $((count & 255)) $((count >> 8)))"'\0\0\0\0\0\0\x0a\0\0\0\x64\0\0\0' >KestaConfig.dat
    QT_LOGGING_RULES=hearts.pace.debug=true timeout 13 "$program" /s 2>&1 |
        awk -v count="$count" '/hearts.pace/ && ++n > 2 && n <= 12 { frames += $3; ticks += $5; k++ }
            END { printf "| %d | %.1f | %.1f |\n", count, frames / k, ticks / k }'
done
