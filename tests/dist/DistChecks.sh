# Sourced by InstallTest.sh and PackageTest.sh, whose arguments are the build folder and the
# GameDriver program.
build=$1
driver=$2
. "$(dirname "$0")/../support/ScratchFolder.sh"

# The width of a PNG file, from its header.
png_width() {
    od -An -tu1 -j16 -N4 "$1" | awk '{ print $1 * 16777216 + $2 * 65536 + $3 * 256 + $4 }'
}

# check_layout ROOT MANUAL: the game's files below ROOT (a prefix), the manual page at ROOT/MANUAL.
check_layout() {
    [ -x "$1/games/tesserine" ] || fail "no program in games/"
    [ -x "$1/games/zorbel-crash-reporter" ] || fail "no crash reporter beside the program"
    [ -f "$1/share/games/tesserine/images/menuBack.png" ] || fail "no pictures in share/games/tesserine/"
    [ -f "$1/share/games/tesserine/fonts/Tessera.txt" ] || fail "no image font in share/games/tesserine/"
    [ ! -e "$1/share/games/tesserine/images/.stamp" ] || fail "the build's stamp file was installed"
    [ -f "$1/share/applications/tesserine.desktop" ] || fail "no menu entry"
    for size in 48 64 128 256; do
        icon=$1/share/icons/hicolor/${size}x${size}/apps/tesserine.png
        [ -f "$icon" ] && [ "$(png_width "$icon")" -eq "$size" ] || fail "no $size px icon"
    done
    grep -q "<svg" "$1/share/icons/hicolor/scalable/apps/tesserine.svg" 2>/dev/null || fail "no scalable icon"
    grep -q '<release version="0.9b"' "$1"/share/metainfo/*.metainfo.xml 2>/dev/null || fail "no metadata"
    [ -f "$1/$2" ] || fail "no manual page"
}

# start_as_user PROGRAM: starts the game from a folder of its own, with its own home, data, settings
# and runtime folders, and checks that it works there and writes only into its data folder.
start_as_user() {
    mkdir -p "$work/elsewhere" "$work/home" "$work/run"
    chmod 700 "$work/run"
    userdata=$work/data/Bramblewick/Tesserine
    (
        cd "$work/elsewhere" || exit 1
        export HOME="$work/home" XDG_DATA_HOME="$work/data" XDG_CONFIG_HOME="$work/config"
        export XDG_RUNTIME_DIR="$work/run"
        "$driver" --menu-then-quit "$1" >"$work/driver.log" 2>&1 || exit 1
        # In screen-saver mode messages go to the error log; a demo that is not there makes one.
        timeout 60 "$1" -screensaver -play -demofile=absent.dmo >"$work/screensaver.log" 2>&1
        exit 0
    ) || fail "the game did not show its menu and quit with code 0"
    grep -qx "cwd=$userdata" "$work/driver.log" || fail "the game did not work in $userdata"
    grep -q "Demo file not found: absent.dmo" "$userdata/TesError.txt" 2>/dev/null ||
        fail "the error log is not in the user's data folder"
    [ -f "$work/config/Bramblewick/Tesserine/settings.ini" ] || fail "no settings below XDG_CONFIG_HOME"
    [ -z "$(ls -A "$work/elsewhere")" ] || fail "the game wrote into the folder it was started from"
}
