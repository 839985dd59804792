#!/bin/sh
# kestrano-cli answers --help and --version, and refuses unknown commands with exit 2
# and one line on stderr.
set -u
cli="$1"
fail() { echo "FAIL: $*" >&2; exit 1; }

out=$("$cli" --version) || fail "--version exited $?"
[ "$out" = "kestrano-cli 1.13" ] || fail "--version printed '$out'"

out=$("$cli" --help) || fail "--help exited $?"
echo "$out" | grep -q '^Usage: kestrano-cli' || fail "--help printed no usage"

err=$("$cli" frobnicate 2>&1 >/dev/null)
status=$?
[ "$status" -eq 2 ] || fail "unknown command exited $status, not 2"
[ "$(printf '%s\n' "$err" | wc -l)" -eq 1 ] || fail "unknown command printed '$err'"

"$cli" >/dev/null 2>&1
status=$?
[ "$status" -eq 2 ] || fail "no command exited $status, not 2"
echo "ok"
