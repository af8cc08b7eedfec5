#!/bin/bash
# Runs a command beside a Wayland compositor of its own: sway, headless and
# drawn in software, with two outputs side by side, HEADLESS-1 at 640x480
# (4:3) at the left, in 1280x960 pixels at scale 2, and HEADLESS-2 at 800x450
# (16:9) at the right, at scale 1, no X11 and
# no input devices but those its clients make. sway refuses to run as root:
# then it runs as nobody. The command finds it through HEARTS_WAYLAND_RUNTIME
# (its runtime folder), HEARTS_WAYLAND_DISPLAY (its socket) and HEARTS_SWAYSOCK.
set -u
dir=$(mktemp -d)
chmod 755 "$dir"
mkdir -m 700 "$dir/runtime"
as=()
if [ "$(id -u)" -eq 0 ]; then
    chown nobody:nogroup "$dir/runtime"
    as=(setpriv --reuid=nobody --regid=nogroup --clear-groups)
fi
cat >"$dir/config" <<'CONF'
xwayland disable
output HEADLESS-1 mode 1280x960 scale 2 position 0 0
output HEADLESS-2 mode 800x450 position 640 0
CONF
# A clean environment: nothing a sanitized run preloads reaches sway.
"${as[@]}" env -i PATH=/usr/bin:/bin HOME="$dir" XDG_RUNTIME_DIR="$dir/runtime" WLR_BACKENDS=headless \
    WLR_HEADLESS_OUTPUTS=2 WLR_LIBINPUT_NO_DEVICES=1 WLR_RENDERER=pixman \
    sway -c "$dir/config" >"$dir/log" 2>&1 &
sway=$!
trap 'kill "$sway" 2>/dev/null; wait "$sway" 2>/dev/null; rm -rf "$dir"' EXIT

# Up to 30 s, as for the window manager in xsession.sh.
socket='' ipc=''
for _ in $(seq 300); do
    socket=$(cd "$dir/runtime" && ls -d wayland-[0-9]* 2>/dev/null | grep -v lock | head -1)
    ipc=$(ls -d "$dir"/runtime/sway-ipc.*.sock 2>/dev/null | head -1)
    [ -n "$socket" ] && [ -n "$ipc" ] && break
    kill -0 "$sway" 2>/dev/null || break
    sleep 0.1
done
if [ -z "$socket" ] || [ -z "$ipc" ]; then
    echo "swaysession.sh: sway did not start:" >&2
    cat "$dir/log" >&2
    exit 1
fi
export HEARTS_WAYLAND_RUNTIME="$dir/runtime" HEARTS_WAYLAND_DISPLAY="$socket" HEARTS_SWAYSOCK="$ipc"
"$@"
