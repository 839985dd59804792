#!/bin/sh
# The manual page of kestrano-cli lists the same commands, in the same order, each once, as
# "kestrano-cli --help". A command is the run of lowercase words a command line starts with,
# up to its first argument ("baseline add NAME FILE.qpp" is "baseline add"): in the help,
# the lines of the "Commands:" section that start with two spaces and a lowercase letter; in
# the page, the tag line of each .TP entry of the COMMANDS section, which must start with .B
# and is read without its font and character escapes.
#
#   tests/install/man_matches_help.sh PATH/TO/kestrano-cli PATH/TO/kestrano-cli.1
cli="$1"
page="$2"
. "$(dirname "$0")/../cli/common.sh"
export LC_ALL=C
words='{ out = ""; for (i = 1; i <= NF && $i ~ /^[a-z][a-z0-9-]*$/; i++) out = out (i > 1 ? " " : "") $i; print out }'

"$cli" --help >"$work/help.txt" || fail "\"$cli --help\" failed"
awk '/^Commands:[ \t]*$/ { inside = 1; next } inside && /^[ \t]*$/ { exit } inside && /^  [a-z]/' \
    "$work/help.txt" | awk "$words" >"$work/help"
awk '/^[.'\''][ \t]*\\"/ { next }
     /^\.SH/ { inside = $0 ~ /^\.SH[ \t]+"?(SUB)?COMMANDS"?[ \t]*$/; sections += inside; next }
     inside && tag { tag = 0; print ($0 ~ /^\.B([ \t]|$)/ ? substr($0, 3) : "NOT-B " $0); next }
     inside && /^\.TP([ \t]|$)/ { tag = 1 }
     END { if (sections != 1) print "NOT-ONE-COMMANDS-SECTION" }' "$page" |
    sed -e 's/\\f\[[^]]*\]//g' -e 's/\\f([A-Za-z0-9][A-Za-z0-9]//g' -e 's/\\f[A-Za-z0-9]//g' \
        -e 's/\\-/-/g' -e 's/\\[&%|^:]//g' -e 's/\\\[[^]]*\]/ /g' -e 's/\\(../ /g' -e 's/"//g' |
    awk "$words" >"$work/man"

[ -s "$work/help" ] && ! grep -qx '' "$work/help" || fail "the help lists no commands, or a line without one"
[ -z "$(sort "$work/help" | uniq -d)" ] || fail "the help lists a command twice: $(sort "$work/help" | uniq -d)"
diff "$work/help" "$work/man" >&2 || fail "the commands of $page (>) differ from those of the help (<)"
echo ok
