#!/bin/bash
# Installs what is missing on Debian 12 or 13 and builds the program into
# build/ (with `file`, which packaging with cpack needs besides the build).
# With --test it also installs what the test suite needs (an X server with
# software OpenGL, a window manager, tools that send real input, valgrind, a
# nested X server that reports two monitors and one whose monitors xrandr
# plugs in and out, a screen-saver daemon, a Wayland compositor with tools that
# grab its outputs and send it input, and Debian's packaging tools) and builds
# everything.
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(build-essential cmake qtbase5-dev libqt5opengl5-dev libglu1-mesa-dev
          libgl1-mesa-dri fonts-dejavu-core libxcb1-dev file)
if [ "${1:-}" = --test ]; then
    packages+=(xvfb xauth openbox xdotool wmctrl x11-utils libxfixes-dev libxtst-dev valgrind
               xserver-xephyr xserver-xorg-core xserver-xorg-video-dummy x11-xserver-utils
               xscreensaver dpkg-dev
               sway grim wtype qtwayland5 libwayland-dev libwayland-bin)
fi

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    sudo=()
    [ "$(id -u)" -eq 0 ] || sudo=(sudo)
    # Another apt on the machine holds the lock for a while, not for ever.
    "${sudo[@]}" apt-get -o DPkg::Lock::Timeout=600 update -q
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive \
        apt-get -o DPkg::Lock::Timeout=600 install -y -q --no-install-recommends "${missing[@]}"
fi

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
if [ "${1:-}" = --test ]; then
    cmake --build build -j"$(nproc)"
else
    cmake --build build -j"$(nproc)" --target hearts
fi
