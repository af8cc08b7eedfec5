#!/bin/bash
# SPDX-License-Identifier: MIT
# install-missing.sh PACKAGE...: installs those of the Debian packages that are
# not installed yet, through sudo unless run as root. Waits for other apt runs
# on the machine rather than failing on their lock.
set -euo pipefail
missing=()
for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -gt 0 ] || exit 0
# A name that apt resolves to a package already installed needs nothing either
# (Debian 13's libqt6opengl6-dev is part of qt6-base-dev): no fetching lists.
plan=$(apt-get -s install --no-install-recommends "${missing[@]}" 2>/dev/null) || plan=
grep -q '^0 upgraded, 0 newly installed' <<<"$plan" && exit 0
sudo=()
[ "$(id -u)" -eq 0 ] || sudo=(sudo)
"${sudo[@]}" apt-get -o DPkg::Lock::Timeout=600 update -q
"${sudo[@]}" env DEBIAN_FRONTEND=noninteractive \
    apt-get -o DPkg::Lock::Timeout=600 install -y -q --no-install-recommends "${missing[@]}"
