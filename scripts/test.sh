#!/bin/sh
# Installs what Kestrano needs, builds everything with warnings as errors and runs every
# test: the core in two time zones (UTC and America/New_York), the command-line program,
# the widgets (offscreen) and the source-tree checks; then the core and its tests once
# more under AddressSanitizer and UndefinedBehaviorSanitizer.
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

echo "== all tests passed"
