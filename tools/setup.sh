#!/bin/bash
# SPDX-License-Identifier: MIT
# Installs what is missing on Debian 12 or 13 and builds the program into
# build/ (with `file`, which packaging with cpack needs besides the build).
# With --qt6 it builds on Qt 6 instead, into build-qt6/. With --test it also
# installs what the test suite needs (Qt 6 as well as Qt 5, since the suite
# runs against both builds; an X server with software OpenGL, a window
# manager, tools that send real input, valgrind, a nested X server that
# reports two monitors and one whose monitors xrandr plugs in and out, the
# screen-saver daemons xscreensaver, MATE's and, on Debian 13, Xfce's, three
# Wayland compositors, sway, KWin and mutter, with tools that grab their
# outputs and send them input, sway's idle daemon and locker, Debian's packaging tools and Wine, which runs
# the Windows program) and builds everything.
set -euo pipefail
cd "$(dirname "$0")/.."

test=false
qt=5
for arg in "$@"; do
    case "$arg" in
    --test) test=true ;;
    --qt6) qt=6 ;;
    *) echo "usage: tools/setup.sh [--test] [--qt6]" >&2; exit 2 ;;
    esac
done

packages=(build-essential cmake zlib1g-dev libglu1-mesa-dev libgl1-mesa-dri fonts-dejavu-core
          libxcb1-dev libxcb-randr0-dev file)
qt5=(qtbase5-dev libqt5opengl5-dev)
qt6=(qt6-base-dev)
# kscreen-doctor, which sets the scales of KWin's outputs: Plasma 5's on
# Debian 12, Plasma 6's after.
kscreen=libkscreen-bin
# Xfce's screen saver, which Debian 12 does not have, with its settings tool.
xfce=(xfce4-screensaver xfconf)
if grep -q '^VERSION_ID="12"' /etc/os-release; then
    kscreen=libkf5screen-bin
    xfce=()
fi
if $test; then
    packages+=("${qt5[@]}" "${qt6[@]}"
               xvfb xauth openbox xdotool wmctrl x11-utils libxfixes-dev libxtst-dev valgrind
               xserver-xephyr xserver-xorg-core xserver-xorg-video-dummy x11-xserver-utils
               xscreensaver mate-screensaver "${xfce[@]}" procps dpkg-dev wine wine64
               sway swayidle swaylock grim wtype qtwayland5 qt6-wayland libwayland-dev libwayland-bin
               dbus-daemon libglib2.0-bin kwin-wayland "$kscreen" plasma-wayland-protocols
               mutter pipewire wireplumber gstreamer1.0-pipewire gstreamer1.0-tools gstreamer1.0-plugins-base)
elif [ "$qt" = 6 ]; then
    packages+=("${qt6[@]}")
else
    packages+=("${qt5[@]}")
fi

tools/install-missing.sh "${packages[@]}"

build=build
[ "$qt" = 6 ] && build=build-qt6
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DHEARTS_QT="$qt" >/dev/null
if $test; then
    cmake --build "$build" -j"$(nproc)"
else
    cmake --build "$build" -j"$(nproc)" --target hearts
fi
