#!/bin/bash
# SPDX-License-Identifier: MIT
# waylandsession.sh [--rates HZ,HZ] COMPOSITOR COMMAND...: runs a command
# beside a Wayland compositor of its own, sway, kwin or mutter, headless and
# drawn in software, with two outputs side by side, the left at scale 2 and
# the right at scale 1, refreshing 60 times a second or (sway only) as many as
# --rates gives, no X11 and no input devices but those its clients make:
#   sway    HEADLESS-1, 640x480 (4:3) in 1280x960 pixels; HEADLESS-2, 800x450
#   kwin    Virtual-0, 640x512 in 1280x1024 pixels; Virtual-1, 1280x1024
#   mutter  Meta-0, 1600x1200 pixels (4:3); Meta-1, 800x450; mutter lays
#           outputs out in pixels, whatever their scale
# Run as root, the compositor runs as nobody. The command finds it through
# HEARTS_WAYLAND_COMPOSITOR, HEARTS_WAYLAND_RUNTIME (its runtime folder),
# HEARTS_WAYLAND_DISPLAY (its socket), and HEARTS_SWAYSOCK or
# HEARTS_WAYLAND_BUS (the session bus of kwin or mutter, which root may use).
set -u
rates=(60 60)
if [ "$1" = --rates ]; then
    IFS=, read -r -a rates <<<"$2"
    shift 2
fi
compositor=$1
shift
dir=$(mktemp -d)
chmod 755 "$dir"
mkdir -m 700 "$dir/runtime" "$dir/home"
as=()
if [ "$(id -u)" -eq 0 ]; then
    chown nobody:nogroup "$dir/runtime" "$dir/home"
    as=(setpriv --reuid=nobody --regid=nogroup --clear-groups)
fi
# A clean environment: nothing a sanitized run preloads reaches the compositor.
user=("${as[@]}" env -i PATH=/usr/bin:/bin HOME="$dir/home" XDG_RUNTIME_DIR="$dir/runtime")
cat >"$dir/bus.conf" <<'CONF'
<busconfig>
  <include>/usr/share/dbus-1/session.conf</include>
  <policy context="default"><allow user="root"/></policy>
</busconfig>
CONF
# Starts what follows on a session bus of its own, whose address it leaves in
# the runtime folder.
bus=(dbus-run-session --config-file="$dir/bus.conf" -- sh -c 'echo "$DBUS_SESSION_BUS_ADDRESS" >"$XDG_RUNTIME_DIR/bus"; exec "$@"' sh)
case "$compositor" in
sway)
    cat >"$dir/config" <<CONF
xwayland disable
output HEADLESS-1 mode 1280x960@${rates[0]}Hz scale 2 position 0 0
output HEADLESS-2 mode 800x450@${rates[1]}Hz position 640 0
CONF
    command=(env WLR_BACKENDS=headless WLR_HEADLESS_OUTPUTS=2 WLR_LIBINPUT_NO_DEVICES=1 WLR_RENDERER=pixman
             sway -c "$dir/config") ;;
kwin)
    # Debian's binary carries a file capability that an unprivileged
    # container will not grant at exec; a copy carries none. KWin's own
    # platform plugin loads only into a program of that name.
    cp /usr/bin/kwin_wayland "$dir/kwin_wayland"
    command=("${bus[@]}" env KWIN_WAYLAND_NO_PERMISSION_CHECKS=1 KWIN_SCREENSHOT_NO_PERMISSION_CHECKS=1
             "$dir/kwin_wayland" --virtual --width 1280 --height 1024 --output-count 2 --socket wayland-1) ;;
mutter)
    # Its screen casts, the tests' grabs, go through PipeWire, whose session
    # manager links them to their readers. That ends at once if PipeWire does
    # not answer yet, and is ready once it has made its default metadata. On a
    # loaded machine each can take a while: up to a minute.
    cat >"$dir/mutter.sh" <<'SCRIPT'
waited() {
    n=0
    until eval "$1"; do
        n=$((n + 1))
        [ $n -le 600 ] || { echo "waylandsession.sh: $2 within 60 s" >&2; exit 1; }
        sleep 0.1
    done
}
pipewire &
waited '[ -S "$XDG_RUNTIME_DIR/pipewire-0" ]' "PipeWire did not answer"
wireplumber &
waited 'timeout 5 pw-cli ls Metadata </dev/null | grep -q "metadata.name = \"default\""' \
    "PipeWire's session manager did not start"
exec mutter --headless --wayland --no-x11 --virtual-monitor 1600x1200 --virtual-monitor 800x450 \
    --wayland-display wayland-1
SCRIPT
    command=("${bus[@]}" sh "$dir/mutter.sh") ;;
*)
    echo "usage: waylandsession.sh [--rates HZ,HZ] sway|kwin|mutter COMMAND..." >&2
    exit 2 ;;
esac
# In a process group of its own, which ends with the command.
set -m
"${user[@]}" "${command[@]}" >"$dir/log" 2>&1 &
pid=$!
set +m
trap 'kill -- -"$pid" 2>/dev/null; wait "$pid" 2>/dev/null; rm -rf "$dir"' EXIT

as_user() { "${user[@]}" WAYLAND_DISPLAY="$socket" DBUS_SESSION_BUS_ADDRESS="$address" "$@"; }
# Sets the scales and places once the compositor answers.
configured() {
    case "$compositor" in
    sway) [ -n "$(ls "$dir"/runtime/sway-ipc.*.sock 2>/dev/null)" ] ;;
    kwin) # and once it grabs outputs, which it does in an effect loaded later,
          # and only where it composites with OpenGL
        as_user QT_QPA_PLATFORM=wayland kscreen-doctor output.Virtual-0.scale.2 output.Virtual-1.position.640,0 &&
            as_user QT_QPA_PLATFORM=wayland kscreen-doctor -o | grep -q '640,0 1280x1024' &&
            { as_user gdbus introspect --session -d org.kde.KWin -o /org/kde/KWin/ScreenShot2 | grep -q CaptureScreen ||
              as_user gdbus call --session -d org.kde.KWin -o /KWin -m org.kde.KWin.supportInformation |
                  grep -q 'Compositing Type: QPainter'; } ;;
    mutter)
        local call=(gdbus call --session -d org.gnome.Mutter.DisplayConfig -o /org/gnome/Mutter/DisplayConfig
                    -m org.gnome.Mutter.DisplayConfig) serial
        serial=$(as_user "${call[@]}.GetCurrentState" | sed -n 's/^(uint32 \([0-9]*\),.*/\1/p')
        [ -n "$serial" ] && as_user "${call[@]}.ApplyMonitorsConfig" "$serial" 1 \
            "[(0, 0, 2.0, uint32 0, true, [('Meta-0', '1600x1200@60.000', @a{sv} {})]),
              (1600, 0, 1.0, 0, false, [('Meta-1', '800x450@60.000', @a{sv} {})])]" '@a{sv} {}' ;;
    esac >/dev/null 2>&1
}
# Up to 30 s, as for the window manager in xsession.sh; mutter's two minutes
# more for PipeWire.
socket='' address=''
for _ in $(seq $([ "$compositor" = mutter ] && echo 1500 || echo 300)); do
    socket=$(cd "$dir/runtime" && ls -d wayland-[0-9]* 2>/dev/null | grep -v lock | head -1)
    address=$(cat "$dir/runtime/bus" 2>/dev/null)
    [ -n "$socket" ] && configured && break
    socket=''
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
done
if [ -z "$socket" ]; then
    echo "waylandsession.sh: $compositor did not start:" >&2
    cat "$dir/log" >&2
    exit 1
fi
export HEARTS_WAYLAND_COMPOSITOR="$compositor" HEARTS_WAYLAND_RUNTIME="$dir/runtime" HEARTS_WAYLAND_DISPLAY="$socket"
export HEARTS_WAYLAND_BUS="$address" HEARTS_SWAYSOCK=$(ls -d "$dir"/runtime/sway-ipc.*.sock 2>/dev/null | head -1)
"$@"
