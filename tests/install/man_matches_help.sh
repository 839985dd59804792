#!/bin/sh
# The manual page (CLI PAGE) lists the commands of "kestrano-cli --help" in its order, each
# once: the lowercase words a line of the help's "Commands:" section starts with ("baseline
# add NAME FILE.qpp" is "baseline add"), and of the .B tag of each .TP entry of the page's
# COMMANDS section, read without its font and character escapes.
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
