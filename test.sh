#!/bin/sh
# Builds the Debug build with AddressSanitizer and UndefinedBehaviorSanitizer in build-test/ and runs
# every test. Exits non-zero when anything fails.
set -e
cd "$(dirname "$0")"
. tools/packages.sh
ensure_packages $BUILD_PACKAGES $TEST_PACKAGES
cmake -S . -B build-test -DCMAKE_BUILD_TYPE=Debug -DZORBEL_SANITIZE=ON -DZORBEL_BENCH=OFF >/dev/null
cmake --build build-test --parallel "$(nproc)" -- --no-print-directory >/dev/null
# The game as ./run.sh builds it, so that an optimised build cannot break unnoticed.
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DZORBEL_TESTS=OFF -DZORBEL_BENCH=OFF >/dev/null
cmake --build build --parallel "$(nproc)" -- --no-print-directory >/dev/null
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0:strict_string_checks=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
cd build-test
ctest --output-on-failure --parallel "$(nproc)" --timeout 600
