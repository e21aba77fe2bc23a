#!/bin/sh
# Builds Tesserine (Release, in build/) and starts it. Arguments go to the game.
set -e
cd "$(dirname "$0")"
. tools/packages.sh
ensure_packages $BUILD_PACKAGES
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DZORBEL_TESTS=OFF -DZORBEL_BENCH=OFF >/dev/null
cmake --build build --parallel "$(nproc)" -- --no-print-directory >/dev/null
exec ./build/tesserine "$@"
