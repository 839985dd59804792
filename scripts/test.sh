#!/bin/sh
# Installs what Kestrano needs, builds everything with warnings as errors and runs every
# test: the core in two time zones (UTC and America/New_York), the command-line program,
# the widgets (offscreen), the installed desktop files and the source-tree checks; the
# Debian package through lintian; then the core and its tests once
# more under AddressSanitizer and UndefinedBehaviorSanitizer; then fuzzing of the project
# file readers, of the CSV import and of the Project XML import (clang's libFuzzer, with
# both sanitizers).
set -eu
cd "$(dirname "$0")/.."

jobs=$(nproc 2>/dev/null || echo 2)

./scripts/install-deps.sh

echo "== build and test"
cmake -S . -B build/test -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKESTRANO_WERROR=ON
cmake --build build/test
ctest --test-dir build/test --output-on-failure -j "$jobs"

echo "== the Debian package"
# Packaged from the test build: the same installed files as a release, checked by lintian.
rm -f build/test/kestrano_*.deb
(cd build/test && cpack -G DEB >cpack.log) || { cat build/test/cpack.log; exit 1; }
lintian --fail-on error,warning build/test/kestrano_*.deb

echo "== core under AddressSanitizer and UndefinedBehaviorSanitizer"
cmake -S . -B build/sanitize -G Ninja -DCMAKE_BUILD_TYPE=Debug -DKESTRANO_WERROR=ON \
    -DKESTRANO_WITH_QT=OFF -DKESTRANO_SANITIZE=ON
cmake --build build/sanitize
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    ctest --test-dir build/sanitize --output-on-failure -j "$jobs"

echo "== fuzzing the project file readers, the CSV import and the Project XML import"
CC=clang CXX=clang++ cmake -S . -B build/fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DKESTRANO_WERROR=ON -DKESTRANO_WITH_QT=OFF -DKESTRANO_BUILD_TESTS=OFF -DKESTRANO_FUZZ=ON
cmake --build build/fuzz
rm -rf build/fuzz/corpus build/fuzz/seeds build/fuzz/corpus-csv build/fuzz/corpus-xml
mkdir -p build/fuzz/corpus build/fuzz/seeds build/fuzz/corpus-csv build/fuzz/corpus-xml
build/fuzz/cli/kestrano-cli from-json tests/data/harbour.json -o build/fuzz/seeds/harbour.qpp
cp tests/data/fuzz/*.qpp build/fuzz/seeds/

# fuzz NAME SECONDS CORPUS SEEDS KEPT: runs one target; on a failure shows where the input
# went and where to keep it.
fuzz() {
    if ! "build/fuzz/fuzz/$1" -max_total_time="$2" -timeout=10 -rss_limit_mb=2048 \
            -malloc_limit_mb=128 -artifact_prefix=build/fuzz/ \
            "$3" "$4" >"build/fuzz/$1.log" 2>&1; then
        tail -n 40 "build/fuzz/$1.log"
        echo "The fuzzer found an input that breaks $1 (build/fuzz/crash-* or timeout-*):"
        echo "copy it into $5 and fix the code."
        exit 1
    fi
    tail -n 1 "build/fuzz/$1.log"
}
fuzz kestrano_fuzz_load 60 build/fuzz/corpus build/fuzz/seeds tests/data/fuzz/
fuzz kestrano_fuzz_csv 45 build/fuzz/corpus-csv tests/data/fuzz-csv tests/data/fuzz-csv/
fuzz kestrano_fuzz_xml 45 build/fuzz/corpus-xml tests/data/fuzz-xml tests/data/fuzz-xml/

echo "== all tests passed"
