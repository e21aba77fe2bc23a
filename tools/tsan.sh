#!/bin/sh
# Builds the test program with ThreadSanitizer in build-tsan/ and runs the suites that use threads
# (the list is THREADED_SUITES in tests/CMakeLists.txt). A report of a data race fails the run.
# Extra arguments go to ctest, for example -R DDInterface.
set -e
cd "$(dirname "$0")/.."
cmake -S . -B build-tsan -DCMAKE_BUILD_TYPE=Debug -DZORBEL_TSAN=ON -DZORBEL_BENCH=OFF -DZORBEL_WERROR=ON >/dev/null
cmake --build build-tsan --target zorbel_tests --parallel "$(nproc)" -- --no-print-directory >/dev/null
cd build-tsan
ctest -L threads --output-on-failure --parallel "$(nproc)" --timeout 600 "$@"
