#!/bin/sh
# Formats every C++ source of the project in place.
cd "$(dirname "$0")/.." || exit 1
find framework game tests bench tools \( -name '*.cpp' -o -name '*.h' \) -print0 2>/dev/null |
    xargs -0 -r clang-format -i
