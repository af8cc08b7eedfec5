#!/bin/bash
# SPDX-License-Identifier: MIT
# Builds the Windows program, hearts.scr, on Debian 12 or 13: one 64-bit file
# with Qt, its windows platform plugin and the C++ runtime linked in,
# cross-compiled with MinGW-w64 into build-windows/. Prints where it is.
#
# The static Qt comes from Debian's own qtbase source, the version Debian ships
# for the Linux build, and is built once into a cache outside the clone:
# HEARTS_CACHE, or hearts/ under the user's cache folder. Each build of it is
# named after its recipe (configure options, source version, compilers), so a
# changed recipe builds anew and an unchanged one is reused.
set -euo pipefail
cd "$(dirname "$0")/.."
# Standard output carries the path alone; everything else goes to stderr.
exec 3>&1 1>&2

tools/install-missing.sh build-essential cmake zlib1g-dev g++-mingw-w64-x86-64-posix dpkg-dev xz-utils

cache=${HEARTS_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/hearts}
cross=x86_64-w64-mingw32

# Only what the program needs: no D-Bus, network, SQL, XML, printing or
# concurrency modules, no JPEG; zlib, libpng, PCRE2, FreeType and HarfBuzz
# built in. Debian's source drops the Wintab headers, which tablet events need.
options=(-opensource -confirm-license -release -static
         -xplatform win32-g++ -device-option CROSS_COMPILE=$cross-
         -opengl desktop -no-angle
         -qt-zlib -qt-libpng -no-libjpeg -qt-pcre -qt-freetype -qt-harfbuzz
         -no-feature-tabletevent -no-dbus -no-feature-network -no-feature-sql -no-feature-xml
         -no-feature-concurrent -no-feature-printer -no-feature-testlib
         -nomake examples -nomake tests)
# The parts of qtbase's src/ that are built and installed, in their order; the
# windows platform plugin comes after them.
parts=(zlib bootstrap moc rcc uic tracegen 3rdparty-pcre2 corelib winmain
       3rdparty-libpng 3rdparty-harfbuzzng gui platformheaders widgets opengl
       3rdparty-freetype platformsupport)
plugin=plugins/platforms/windows

# The source: the version of Debian's own Qt 5 for this machine, as installed
# for the Linux build, or else as its package lists name it.
version=$(dpkg-query -W -f='${db:Status-Status} ${source:Version}' qtbase5-dev 2>/dev/null |
          awk '$1 == "installed" { print $2 }') || true
[ -n "$version" ] || version=$(apt-cache show --no-all-versions qtbase5-dev | awk '
    /^Source:/ && $3 != "" { gsub(/[()]/, "", $3); source = $3 }
    /^Version:/ { binary = $2 }
    END { print source != "" ? source : binary }')
if [ -z "$version" ]; then
    echo "windows.sh: apt knows no qtbase5-dev here: run apt-get update" >&2
    exit 1
fi
recipe=$(printf '%s\n' "qtbase-opensource-src $version" "${options[*]}" "${parts[*]} $plugin" \
    "$(dpkg-query -W -f='${Package} ${Version}\n' g++-mingw-w64-x86-64-posix g++)")
qt=$cache/qt$(echo "$version" | cut -d+ -f1)-win64-$(echo "$recipe" | sha256sum | cut -c1-16)

build_qt() (
    local work=$1 started=$SECONDS
    rm -rf "$work"
    mkdir -p "$work"/apt/lists/partial "$work"/apt/cache/archives/partial "$work"/apt/parts \
        "$work"/bin "$work"/source "$work"/build/src
    echo "$recipe" >"$work/recipe"

    # The source entries: the machine's own Debian archives (whatever format
    # its apt sources are in; apt reads them), as deb-src, in an apt
    # configuration of the build's own that leaves the machine's alone.
    local apt=(-o Dir::Etc::SourceList="$work/apt/sources.list" -o Dir::Etc::SourceParts="$work/apt/parts"
               -o Dir::State::Lists="$work/apt/lists" -o Dir::Cache="$work/apt/cache"
               -o APT::Sandbox::User="$(id -un)") # apt's own user may not reach the cache
    local keyring=
    for k in /usr/share/keyrings/debian-archive-keyring.pgp /usr/share/keyrings/debian-archive-keyring.gpg; do
        [ -f "$k" ] && keyring=" [signed-by=$k]" && break
    done
    debian_sources() {
        apt-get indextargets --format '$(TARGET_OF) $(ORIGIN) $(REPO_URI) $(RELEASE) $(COMPONENT)' |
            awk -v keyring="$keyring" '$1 == "deb" && $2 == "Debian" { print "deb-src" keyring, $3, $4, $5 }' |
            sort -u >"$work/apt/sources.list"
    }
    debian_sources
    if [ ! -s "$work/apt/sources.list" ]; then
        # Lists never fetched, or cleaned away, name no archive yet.
        local sudo=()
        [ "$(id -u)" -eq 0 ] || sudo=(sudo)
        "${sudo[@]}" apt-get -o DPkg::Lock::Timeout=600 update -q
        debian_sources
    fi
    if [ ! -s "$work/apt/sources.list" ]; then
        echo "windows.sh: apt knows no Debian archive here yet: run apt-get update" >&2
        return 1
    fi
    apt-get "${apt[@]}" update -q
    (cd "$work/source" && apt-get "${apt[@]}" source -q "qtbase-opensource-src=$version")
    local source
    source=$(echo "$work"/source/qtbase-opensource-src-*/)

    # Debian's cross compiler in its posix thread model under the names Qt
    # asks for, whichever model the machine's defaults point to.
    ln -s "$(command -v $cross-gcc-posix)" "$work/bin/$cross-gcc"
    ln -s "$(command -v $cross-g++-posix)" "$work/bin/$cross-g++"
    export PATH="$work/bin:$PATH"

    (cd "$work/build" && MAKEFLAGS=-j"$(nproc)" nice "$source/configure" -prefix "$qt" "${options[@]}")
    cd "$work/build/src"
    ../bin/qmake -o Makefile "$source/src/src.pro"
    for part in "${parts[@]}"; do
        nice make -j"$(nproc)" "sub-$part"
    done
    mkdir -p "$plugin"
    (cd "$plugin" && "$work/build/bin/qmake" -o Makefile "$source/src/$plugin/windows.pro")
    nice make -C "$plugin" -j"$(nproc)"

    # Installed into a stage first, then moved into place in one rename: an
    # interrupted build never looks finished.
    local stage=$work/stage
    for part in "${parts[@]}"; do
        make INSTALL_ROOT="$stage" "sub-$part-install_subtargets"
    done
    make -C "$plugin" INSTALL_ROOT="$stage" install
    make -C .. INSTALL_ROOT="$stage" install_mkspecs sub-qmake-qmake-aux-pro-install_subtargets
    cp "$work/recipe" "$stage$qt/recipe"
    mv "$stage$qt" "$qt"
    rm -rf "$work"
    echo "windows.sh: Qt for Windows built in $(( (SECONDS - started) / 60 )) min $(( (SECONDS - started) % 60 )) s: $qt" >&2
)

mkdir -p "$cache"
# One build at a time per cache: clones and roots may share it.
exec 9>"$cache/.lock"
flock 9
if [ ! -d "$qt" ]; then
    build_qt "$cache/building-$(basename "$qt")"
fi
flock -u 9

# CMake keeps the Qt it found first: a build folder made with another starts
# afresh.
grep -qxF "CMAKE_PREFIX_PATH:UNINITIALIZED=$qt" build-windows/CMakeCache.txt 2>/dev/null || rm -rf build-windows
cmake -S . -B build-windows -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$PWD/tools/windows-toolchain.cmake" -DCMAKE_PREFIX_PATH="$qt" >/dev/null
cmake --build build-windows -j"$(nproc)" --target hearts
$cross-strip build-windows/hearts.scr
echo "$PWD/build-windows/hearts.scr" >&3
