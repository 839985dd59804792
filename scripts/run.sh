#!/bin/sh
# Installs what Kestrano needs, builds it and starts the desktop application.
# Arguments are passed on to the program (for example a project file to open); without
# any, it opens the sample plan of examples/ (a copy of it, so that the sample in the
# source tree stays as it is when the plan is changed and saved).
set -eu
cd "$(dirname "$0")/.."

./scripts/install-deps.sh
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DKESTRANO_BUILD_TESTS=OFF
cmake --build build/release

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "run: no desktop session (neither DISPLAY nor WAYLAND_DISPLAY is set)." >&2
    echo "run: built build/release/gui/kestrano; start it from a desktop, or try" >&2
    echo "run:   xvfb-run -a -s '-screen 0 1280x800x24' build/release/gui/kestrano" >&2
    exit 1
fi
if [ $# -eq 0 ]; then
    mkdir -p build/release/sample
    [ -f build/release/sample/office-move.qpp ] ||
        cp examples/office-move.qpp build/release/sample/office-move.qpp
    set -- build/release/sample/office-move.qpp
fi
exec build/release/gui/kestrano "$@"
