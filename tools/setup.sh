#!/bin/bash
# Installs what is missing on Debian 12 and builds into build/.
# With --test it also installs what the test suite needs: an X server with
# software OpenGL, a window manager, tools that send real input, valgrind, an
# X server to nest in it that reports two monitors, and one whose monitors
# xrandr plugs in and out.
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(build-essential cmake qtbase5-dev libqt5opengl5-dev libglu1-mesa-dev
          libgl1-mesa-dri fonts-dejavu-core)
if [ "${1:-}" = --test ]; then
    packages+=(xvfb xauth openbox xdotool wmctrl x11-utils libxfixes-dev libxtst-dev valgrind
               xserver-xephyr xserver-xorg-core xserver-xorg-video-dummy x11-xserver-utils)
fi

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    sudo=()
    [ "$(id -u)" -eq 0 ] || sudo=(sudo)
    "${sudo[@]}" apt-get update -q
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive \
        apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)"
