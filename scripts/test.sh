#!/bin/sh
# Installs what Kestrano needs, builds everything with warnings as errors and runs every
# test: the core in two time zones (UTC and America/New_York), the command-line program,
# the widgets (offscreen) and the source-tree checks; then the core and its tests once
# more under AddressSanitizer and UndefinedBehaviorSanitizer; then a minute of fuzzing of
# the project file readers (clang's libFuzzer, with both sanitizers).
set -eu
cd "$(dirname "$0")/.."

jobs=$(nproc 2>/dev/null || echo 2)

./scripts/install-deps.sh

echo "== build and test"
cmake -S . -B build/test -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKESTRANO_WERROR=ON
cmake --build build/test
ctest --test-dir build/test --output-on-failure -j "$jobs"

echo "== core under AddressSanitizer and UndefinedBehaviorSanitizer"
cmake -S . -B build/sanitize -G Ninja -DCMAKE_BUILD_TYPE=Debug -DKESTRANO_WERROR=ON \
    -DKESTRANO_WITH_QT=OFF -DKESTRANO_SANITIZE=ON
cmake --build build/sanitize
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    ctest --test-dir build/sanitize --output-on-failure -j "$jobs"

echo "== fuzzing the project file readers for a minute"
CC=clang CXX=clang++ cmake -S . -B build/fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DKESTRANO_WERROR=ON -DKESTRANO_WITH_QT=OFF -DKESTRANO_BUILD_TESTS=OFF -DKESTRANO_FUZZ=ON
cmake --build build/fuzz
rm -rf build/fuzz/corpus build/fuzz/seeds
mkdir -p build/fuzz/corpus build/fuzz/seeds
build/fuzz/cli/kestrano-cli from-json tests/data/harbour.json -o build/fuzz/seeds/harbour.qpp
cp tests/data/fuzz/*.qpp build/fuzz/seeds/
if ! build/fuzz/fuzz/kestrano_fuzz_load -max_total_time=60 -timeout=10 -rss_limit_mb=2048 \
        -malloc_limit_mb=128 -artifact_prefix=build/fuzz/ \
        build/fuzz/corpus build/fuzz/seeds >build/fuzz/fuzz.log 2>&1; then
    tail -n 40 build/fuzz/fuzz.log
    echo "The fuzzer found an input that breaks a reader (build/fuzz/crash-* or timeout-*):"
    echo "copy it into tests/data/fuzz/ and fix the reader."
    exit 1
fi
tail -n 1 build/fuzz/fuzz.log

echo "== all tests passed"
