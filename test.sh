#!/bin/sh
# Builds the Debug build with AddressSanitizer and UndefinedBehaviorSanitizer in build-test/ and runs
# every test. Exits non-zero when anything fails. Every build here treats warnings as errors.
set -e
cd "$(dirname "$0")"
. tools/packages.sh
ensure_packages $BUILD_PACKAGES $TEST_PACKAGES
cmake -S . -B build-test -DCMAKE_BUILD_TYPE=Debug -DZORBEL_SANITIZE=ON -DZORBEL_BENCH=OFF -DZORBEL_WERROR=ON >/dev/null
cmake --build build-test --parallel "$(nproc)" -- --no-print-directory >/dev/null
# The game as ./run.sh builds it, so that an optimised build cannot break unnoticed.
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DZORBEL_TESTS=OFF -DZORBEL_BENCH=OFF -DZORBEL_WERROR=ON >/dev/null
cmake --build build --parallel "$(nproc)" -- --no-print-directory >/dev/null
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0:strict_string_checks=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
# The libFuzzer targets, built with clang and each run briefly from its seed corpus. The suite below
# also replays every corpus under the sanitizers of the normal build.
CC=clang CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=Debug -DZORBEL_FUZZ=ON -DZORBEL_WERROR=ON >/dev/null
cmake --build build-fuzz --parallel "$(nproc)" -- --no-print-directory >/dev/null
for target in build-fuzz/tests/fuzz/Fuzz*; do
    name=$(basename "$target")
    scratch=$(mktemp -d)
    if ! "$target" -max_total_time=5 -rss_limit_mb=2048 "$scratch" "tests/fuzz/corpus/$name" >"$scratch/log" 2>&1; then
        cat "$scratch/log"
        echo "fuzz smoke run failed: $name" >&2
        exit 1
    fi
    rm -rf "$scratch"
done
cd build-test
ctest --output-on-failure --parallel "$(nproc)" --timeout 600
