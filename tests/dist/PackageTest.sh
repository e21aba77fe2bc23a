#!/bin/sh
# Builds the Debian packages with cpack and checks their control fields and contents; then unpacks the
# game's into a scratch root with dpkg -x, as apt-get would install it without the build tree, and
# starts the game from there on the X server of with_xvfb.sh as its user would.
# Usage: with_xvfb.sh PackageTest.sh BUILD_DIR GAME_DRIVER
set -u
. "$(dirname "$0")/DistChecks.sh"

cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/out" >"$work/cpack.log" 2>&1 || fail "cpack failed"
deb=$(ls "$work"/out/tesserine_0.9b_*.deb 2>/dev/null)
[ -f "$deb" ] || fail "no tesserine_0.9b_<arch>.deb"

field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = tesserine ] || fail "package name $(field Package)"
[ "$(field Section)" = games ] || fail "section $(field Section)"
[ "$(field Recommends)" = "xdg-desktop-portal | zenity" ] || fail "recommends $(field Recommends)"
for needed in fonts-dejavu-core libsdl2-2.0-0 libsdl2-ttf-2.0-0 libpng16-16 libc6; do
    field Depends | tr ',' '\n' | grep -q "^ *$needed\b" || fail "Depends lacks $needed: $(field Depends)"
done

dpkg-deb -c "$deb" >"$work/contents.txt"
for file in usr/games/tesserine usr/share/games/tesserine/images/menuBack.png \
    usr/share/applications/tesserine.desktop usr/share/icons/hicolor/256x256/apps/tesserine.png \
    usr/share/icons/hicolor/scalable/apps/tesserine.svg usr/share/man/man6/tesserine.6.gz; do
    grep -q " \./$file\$" "$work/contents.txt" || fail "the package lacks /$file"
done
grep -q " \./usr/share/metainfo/.*\.metainfo\.xml\$" "$work/contents.txt" || fail "the package lacks its metadata"
! grep -q " \./usr/bin/" "$work/contents.txt" || fail "developer programs in the game's package"

# The developer programs come in a package of their own.
tools=$(ls "$work"/out/tesserine-tools_0.9b_*.deb 2>/dev/null)
[ -f "$tools" ] || fail "no tesserine-tools_0.9b_<arch>.deb"
dpkg-deb -c "$tools" | grep -q " \./usr/bin/zorbel-fetch\$" || fail "zorbel-fetch is not in the tools package"

dpkg -x "$deb" "$work/root" || fail "dpkg -x failed"
check_layout "$work/root/usr" share/man/man6/tesserine.6.gz
start_as_user "$work/root/usr/games/tesserine"
echo "package: passed"
