#!/bin/sh
# kestrano-cli answers --help and --version, and refuses unknown commands with exit 2
# and one line on stderr.
cli="$1"
. "$(dirname "$0")/common.sh"
[ "$("$cli" --version)" = "kestrano-cli 1.13" ] || fail "--version"
"$cli" --help | grep -q '^Usage: kestrano-cli' || fail "--help printed no usage"
expect_refusal "" "$cli" frobnicate
"$cli" >/dev/null 2>&1
[ $? -eq 2 ] || fail "no command did not exit 2"
echo ok
