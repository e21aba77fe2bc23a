# Sourced by run.sh and test.sh. ensure_packages NAME... installs the Debian packages that are
# missing: with apt-get when run as root, otherwise it prints the one command to run and fails.
ensure_packages() {
    missing=""
    for package in "$@"; do
        # dpkg-query fails for a package it has never seen; under set -e that must not end the caller.
        status=$(dpkg-query -W -f='${db:Status-Status}' "$package" 2>/dev/null) || status=""
        [ "$status" = "installed" ] || missing="$missing $package"
    done
    [ -z "$missing" ] && return 0
    if [ "$(id -u)" -ne 0 ]; then
        echo "Missing packages. Install them with:" >&2
        echo "  sudo apt-get install -y$missing" >&2
        return 1
    fi
    echo "Installing:$missing"
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq >/dev/null &&
        apt-get install -y -qq --no-install-recommends $missing >/dev/null
}

# What building and running the game needs.
BUILD_PACKAGES="build-essential cmake pkg-config libsdl2-dev libsdl2-ttf-dev libfontconfig-dev
    libpng-dev libjpeg62-turbo-dev zlib1g-dev libdbus-1-dev libssl-dev libfreetype-dev
    fonts-dejavu-core libvorbisidec-dev libmpg123-dev libopenmpt-dev libasound2-dev libunwind-dev libdw-dev
    libelf-dev"
# What the test suite needs on top: GoogleTest, the format check, clang for the fuzz targets, Google
# Benchmark, pixman and giflib as references for the benchmarks, and an X server with input and
# screenshot tools and Mesa's OpenGL for the end-to-end window tests, a message bus daemon for the
# file chooser's tests, curl as the reference of the HTTP benchmark, the openssl program that makes
# the certificates of the TLS tests, for the sound tests the encoders that write their Ogg and MP3
# files and a sound server reached through ALSA, and the validators of the menu entry, the AppStream
# metadata and the manual page, with dpkg-shlibdeps for the Debian package, the X server's bitmap
# fonts that SDL's message boxes (the crash reporter's "Connection Failed") are drawn with, and a
# headless browser that renders the page of the image dump.
TEST_PACKAGES="libgtest-dev libgmock-dev clang clang-format libclang-rt-14-dev libbenchmark-dev
    libpixman-1-dev libgif-dev xvfb xauth xdotool x11-apps libgl1-mesa-dri dbus-daemon curl openssl
    libvorbis-dev libmp3lame-dev pulseaudio pulseaudio-utils libasound2-plugins
    desktop-file-utils appstream groff-base dpkg-dev xfonts-base chromium"
