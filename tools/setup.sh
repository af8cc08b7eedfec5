#!/bin/bash
# Installs what is missing on Debian 12 or 13 and builds the program into
# build/ (with `file`, which packaging with cpack needs besides the build).
# With --test it also installs what the test suite needs (an X server with
# software OpenGL, a window manager, tools that send real input, valgrind, a
# nested X server that reports two monitors and one whose monitors xrandr
# plugs in and out, a screen-saver daemon, Debian's packaging tools and Wine,
# which runs the Windows program) and builds everything.
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(build-essential cmake qtbase5-dev libqt5opengl5-dev libglu1-mesa-dev
          libgl1-mesa-dri fonts-dejavu-core libxcb1-dev file)
if [ "${1:-}" = --test ]; then
    packages+=(xvfb xauth openbox xdotool wmctrl x11-utils libxfixes-dev libxtst-dev valgrind
               xserver-xephyr xserver-xorg-core xserver-xorg-video-dummy x11-xserver-utils
               xscreensaver dpkg-dev wine wine64)
fi

tools/install-missing.sh "${packages[@]}"

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
if [ "${1:-}" = --test ]; then
    cmake --build build -j"$(nproc)"
else
    cmake --build build -j"$(nproc)" --target hearts
fi
