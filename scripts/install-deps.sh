#!/bin/sh
# Installs every Debian 12 package Kestrano needs to build, run and test.
# Safe to run again: apt-get skips what is already there.
set -eu

# Build: compiler, CMake and Ninja. Qt 6 base brings Widgets, PrintSupport, Network and
# Test with the offscreen and xcb platforms; nlohmann-json for the command-line tool's
# JSON. Tests: GoogleTest, Google Benchmark, clang with its fuzzing and sanitizer runtimes,
# clang-format for the formatting check, and the time-zone database (tests run in several
# zones), and a real SMTP server with the openssl command for its certificate (the mail
# tests). Output: a Helvetica-metric font for PDFs, poppler-utils to inspect
# them, and Xvfb to run the program without a desktop. Desktop integration: the
# freedesktop.org validators (desktop-file-utils, appstream, libxml2-utils), the MIME
# database and a reader of it (shared-mime-info, libglib2.0-bin, xdg-utils), the manual
# page renderer, bash-completion, and dpkg-dev with lintian for the Debian package.
# Project XML export: a real reader of the format to check it against, GNOME Planner's
# stylesheet and DTD (planner-data), run by xsltproc and checked with xmllint against
# the plan as python3 reads it from the dump.
PACKAGES="
  build-essential cmake ninja-build pkg-config git
  qt6-base-dev
  libssl-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  nlohmann-json3-dev
  clang libclang-rt-14-dev
  clang-format
  tzdata
  python3-aiosmtpd openssl
  fonts-urw-base35 fontconfig
  poppler-utils
  xvfb xauth
  desktop-file-utils appstream libxml2-utils
  shared-mime-info libglib2.0-bin xdg-utils
  man-db groff-base bash-completion
  dpkg-dev lintian
  planner-data xsltproc python3
"

missing=""
for p in $PACKAGES; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
        missing="$missing $p"
    fi
done

if [ -z "$missing" ]; then
    echo "install-deps: all packages present"
    exit 0
fi

if [ "$(id -u)" -eq 0 ]; then
    SUDO=""
else
    SUDO="sudo"
fi

echo "install-deps: installing$missing"
$SUDO apt-get update
# shellcheck disable=SC2086
$SUDO env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends $missing
