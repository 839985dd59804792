#!/bin/sh
# Every C++ source is formatted with the project's .clang-format.
set -eu
clang_format="$1"
root="$2"
cd "$root"
files=$(find core platform gui cli tests bench fuzz -name '*.cpp' -o -name '*.h' 2>/dev/null | sort)
[ -n "$files" ] || exit 0
# shellcheck disable=SC2086
"$clang_format" --dry-run --Werror $files
