#!/bin/sh
# Builds Kestrano for release and makes its Debian package, build/release/kestrano_<version>_<arch>.deb,
# which `sudo apt install ./build/release/kestrano_*.deb` installs with its dependencies.
set -eu
cd "$(dirname "$0")/.."

./scripts/install-deps.sh
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DKESTRANO_WERROR=ON \
    -DKESTRANO_BUILD_TESTS=OFF -DKESTRANO_BUILD_BENCHMARKS=OFF
cmake --build build/release
(cd build/release && cpack -G DEB)
ls build/release/kestrano_*.deb
