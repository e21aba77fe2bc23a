#!/bin/sh
# Installs the game into a staging prefix and checks what lands there: the layout, the menu entry and
# the AppStream metadata (by their validators) and the manual page (by groff). Then, on the X server of
# with_xvfb.sh, starts it as its user would, from another folder with data and settings folders of its
# own: the menu comes up, Quit ends it with code 0, everything it writes lands in the user's data
# folder, and the prefix is left exactly as installed.
# Usage: with_xvfb.sh InstallTest.sh BUILD_DIR GAME_DRIVER
set -u
. "$(dirname "$0")/DistChecks.sh"

prefix=$work/prefix
cmake --install "$build" --prefix "$prefix" --component game >"$work/install.log" 2>&1 ||
    fail "cmake --install failed"
check_layout "$prefix" share/man/man6/tesserine.6.gz
desktop-file-validate "$prefix/share/applications/tesserine.desktop" >"$work/desktop.log" 2>&1 ||
    fail "desktop-file-validate refuses the menu entry"
appstreamcli validate --no-net "$prefix"/share/metainfo/*.metainfo.xml >"$work/appstream.log" 2>&1 ||
    fail "appstreamcli refuses the metadata"
gzip -dc "$prefix/share/man/man6/tesserine.6.gz" | groff -man -Tutf8 -ww -z 2>"$work/groff.log"
[ ! -s "$work/groff.log" ] || fail "groff warns about the manual page"

listing() { find "$prefix" -exec ls -ld --time-style=full-iso {} + | sort; }
listing >"$work/before.txt"
start_as_user "$prefix/games/tesserine"
listing >"$work/after.txt"
diff "$work/before.txt" "$work/after.txt" >"$work/prefix-changes.log" || fail "the game changed its prefix"
echo "install: passed"
