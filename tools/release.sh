#!/bin/bash
# SPDX-License-Identifier: MIT
# Makes the release of the commit checked out (HEAD) into release/<version>/:
#   hearts-<version>.tar.gz        the source, as git archive gives it
#   hearts_<version>_<arch>.deb    the package for this machine's Debian release
#   hearts-<version>-windows.zip   hearts.scr with its licence and the notices
#                                  of what is linked into it
#   SHA256SUMS
# Everything is built twice, one build after the other, each from the source
# tarball unpacked in a folder of its own, and every part is checked before
# anything is written: lintian on the package; diffoscope between the two
# builds' package, hearts, hearts.scr and zip, which must be identical to the
# byte; that hearts.scr imports Windows' own DLLs alone; and piuparts
# installing, removing and purging the package in a fresh root of this
# machine's Debian release, from the Debian archive its apt sources name.
# Uncommitted changes are not part of a release.
set -euo pipefail
cd "$(dirname "$0")/.."
top=$PWD

tools/install-missing.sh git lintian diffoscope-minimal piuparts debootstrap zip wine64 binutils-mingw-w64-x86-64

version=$(git show HEAD:CMakeLists.txt | sed -n 's/^project(hearts VERSION \([0-9.]*\) .*/\1/p')
[ -n "$version" ] || { echo "release.sh: no version in CMakeLists.txt's project()" >&2; exit 1; }
# Every date in what is built is the commit's.
SOURCE_DATE_EPOCH=$(git log -1 --format=%ct HEAD)
export SOURCE_DATE_EPOCH TZ=UTC
[ -z "$(git status --porcelain --untracked-files=no)" ] ||
    echo "release.sh: uncommitted changes are left out of the release of $(git rev-parse --short HEAD)" >&2

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
tarball=hearts-$version.tar.gz
git archive --format=tar --prefix="hearts-$version/" HEAD | gzip -9n >"$work/$tarball"
qt_source=$(dpkg-query -W -f='${source:Version}' qtbase5-dev 2>/dev/null || true)

# The notice, the licences and hearts.scr, in a zip of the same bytes for the
# same files whenever it is made.
make_zip() {
    local src=$1 zip=$2 z=$1/zip
    mkdir -p "$z/licences"
    cp "$src/build-windows/hearts.scr" "$z/"
    cp "$src/LICENSE" "$z/LICENSE.txt"
    sed -e "s/@VERSION@/$version/g" -e "s/@QT_VERSION@/${qt_source%%+*}/g" -e "s/@QT_SOURCE@/$qt_source/g" \
        -e "s/@DEBIAN@/$(. /etc/os-release && echo "$VERSION_ID ($VERSION_CODENAME)")/" \
        -e "s/@GCC@/$(dpkg-query -W -f='${Version}' g++-mingw-w64-x86-64-posix | cut -d- -f1)/" \
        "$src/dist/windows-notice.txt" >"$z/NOTICE.txt"
    cp /usr/share/common-licenses/GPL-3 "$z/licences/GPL-3.txt"
    cp /usr/share/common-licenses/LGPL-3 "$z/licences/LGPL-3.txt"
    # Debian's record of each source's copyrights and licences, for the very
    # versions built with.
    cp /usr/share/doc/qtbase5-dev/copyright "$z/licences/Qt.txt"
    cp /usr/share/doc/mingw-w64-x86-64-dev/copyright "$z/licences/MinGW-w64.txt"
    cp /usr/share/doc/gcc-mingw-w64-x86-64-posix-runtime/copyright "$z/licences/GCC.txt"
    find "$z" -exec touch -h -d "@$SOURCE_DATE_EPOCH" {} +
    (cd "$z" && zip -q -X -D -9 "$zip" hearts.scr LICENSE.txt NOTICE.txt \
        licences/GPL-3.txt licences/LGPL-3.txt licences/Qt.txt licences/MinGW-w64.txt licences/GCC.txt)
}

for n in 1 2; do
    echo "release.sh: build $n of hearts $version" >&2
    mkdir "$work/$n"
    tar -xzf "$work/$tarball" -C "$work/$n"
    src=$work/$n/hearts-$version
    (cd "$src" && tools/setup.sh) >&2
    cmake -S "$src" -B "$src/build" -DBUILD_TESTING=OFF >/dev/null
    cmake --build "$src/build" -j"$(nproc)" --target hearts >&2
    (cd "$src/build" && cpack -G DEB) >&2
    (cd "$src" && tools/windows.sh) >/dev/null
    make_zip "$src" "$work/$n/hearts-$version-windows.zip"
done

one=$work/1/hearts-$version two=$work/2/hearts-$version
deb=$(cd "$one/build" && ls hearts_"$version"_*.deb)
echo "release.sh: checking $deb" >&2
lintian --fail-on error,warning "$one/build/$deb" >&2
for pair in "build/$deb" build/hearts build-windows/hearts.scr ../hearts-$version-windows.zip; do
    if ! diffoscope "$one/$pair" "$two/$pair" >"$work/differences" 2>&1; then
        cat "$work/differences" >&2
        echo "release.sh: two builds of $(basename "$pair") differ" >&2
        exit 1
    fi
done
builtin=/usr/lib/x86_64-linux-gnu/wine/x86_64-windows # Wine's own of Windows' DLLs
for dll in $(x86_64-w64-mingw32-objdump -p "$one/build-windows/hearts.scr" | awk '/DLL Name:/ { print tolower($3) }'); do
    [ -e "$builtin/$dll" ] || { echo "release.sh: hearts.scr imports $dll, not a DLL of Windows' own" >&2; exit 1; }
done
mirror=$(apt-get indextargets --format '$(TARGET_OF) $(ORIGIN) $(REPO_URI) $(RELEASE)' |
         awk -v release="$(. /etc/os-release && echo "$VERSION_CODENAME")" \
             '$1 == "deb" && $2 == "Debian" && $4 == release && !found { print $3; found = 1 }')
[ -n "$mirror" ] || { echo "release.sh: apt names no Debian archive for this release: run apt-get update" >&2; exit 1; }
sudo=()
[ "$(id -u)" -eq 0 ] || sudo=(sudo)
"${sudo[@]}" piuparts --mirror "$mirror main" --distribution "$(. /etc/os-release && echo "$VERSION_CODENAME")" \
    "$one/build/$deb" >"$work/piuparts.log" 2>&1 || { tail -50 "$work/piuparts.log" >&2; exit 1; }
grep 'INFO: PASS:' "$work/piuparts.log" >&2

out=release/$version
rm -rf "$out.new"
mkdir -p "$out.new"
cp "$work/$tarball" "$one/build/$deb" "$work/1/hearts-$version-windows.zip" "$out.new/"
(cd "$out.new" && sha256sum "$tarball" "$deb" "hearts-$version-windows.zip" >SHA256SUMS)
rm -rf "$out"
mv "$out.new" "$out"
echo "release.sh: hearts $version is in $top/$out:" >&2
cat "$out/SHA256SUMS"
