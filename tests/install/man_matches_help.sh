#!/bin/sh
# Checks that the manual page of kestrano-cli lists the same commands, in the same order,
# as "kestrano-cli --help".
#
#   tests/install/man_matches_help.sh PATH/TO/kestrano-cli PATH/TO/kestrano-cli.1
#
# A command is the run of lowercase words a command line starts with, up to its first
# argument: "recalc FILE.qpp [-o OUT.qpp]" is "recalc", "baseline add NAME FILE.qpp" is
# "baseline add", "updates (task|project) FILE.qpp" is "updates".
#   - In the help: the lines of the "Commands:" section (up to its first empty line) that
#     start with exactly two spaces and a lowercase letter.
#   - In the page: the tag line of each .TP entry of the COMMANDS (or SUBCOMMANDS)
#     section, which must start with ".B"; font and character escapes are dropped first.
# Prints "ok" and exits 0 when the two lists are equal; otherwise names the differences
# on standard error and exits 1. Exits 2 when called wrongly.

set -u

me=man_matches_help.sh

if [ "$#" -ne 2 ]; then
    echo "usage: $me KESTRANO-CLI MANPAGE" >&2
    exit 2
fi
cli=$1
page=$2

fail() {
    printf '%s: %s\n' "$me" "$*" >&2
    exit 1
}

if [ ! -f "$page" ] || [ ! -r "$page" ]; then
    fail "cannot read the manual page $page"
fi

work=$(mktemp -d 2>/dev/null) || {
    work=${TMPDIR:-/tmp}/man_matches_help.$$
    mkdir -m 700 "$work" || fail "cannot create a temporary folder"
}
trap 'rm -rf "$work"' EXIT
trap 'exit 1' HUP INT TERM

LC_ALL=C
export LC_ALL

# --- the help ---------------------------------------------------------------------------

"$cli" --help >"$work/help.txt" 2>"$work/help.err"
status=$?
[ "$status" -eq 0 ] || fail "\"$cli --help\" exited $status: $(head -n 3 "$work/help.err")"

awk '
    function command_words(line,    n, i, w, words, out) {
        n = split(line, w, /[ \t]+/)
        out = ""
        for (i = 1; i <= n; i++) {
            if (w[i] == "")
                continue
            if (w[i] !~ /^[a-z][a-z0-9-]*$/)
                break
            out = out == "" ? w[i] : out " " w[i]
        }
        return out
    }
    /^Commands:[ \t]*$/ { if (seen++) { print "a second \"Commands:\" line" > "/dev/stderr"; bad = 1 }
                          inside = 1; next }
    inside && /^[ \t]*$/ { inside = 0; next }
    inside && /^  [a-z]/ {
        words = command_words($0)
        if (words == "") { print "no command word in: " $0 > "/dev/stderr"; bad = 1 }
        else print words
    }
    END {
        if (!seen) { print "no \"Commands:\" line" > "/dev/stderr"; exit 1 }
        if (bad) exit 1
    }
' "$work/help.txt" >"$work/help.list" 2>"$work/help.problems" ||
    fail "the help of $cli: $(cat "$work/help.problems")"

# --- the manual page --------------------------------------------------------------------

awk '
    function command_words(line,    n, i, w, out) {
        sub(/^\.B[ \t]+/, "", line)
        gsub(/\\f\[[^]]*\]/, "", line)       # \f[BI]
        gsub(/\\f\([A-Za-z0-9][A-Za-z0-9]/, "", line)   # \f(BI
        gsub(/\\f[A-Za-z0-9]/, "", line)     # \fB \fI \fR \fP \f1
        gsub(/\\-/, "-", line)
        gsub(/\\[&%|^:]/, "", line)          # zero-width and thin escapes
        gsub(/\\\[[^]]*\]/, " ", line)       # \[em]
        gsub(/\\\(../, " ", line)            # \(em
        gsub(/\\c[ \t]*$/, "", line)
        gsub(/"/, "", line)
        n = split(line, w, /[ \t]+/)
        out = ""
        for (i = 1; i <= n; i++) {
            if (w[i] == "")
                continue
            if (w[i] !~ /^[a-z][a-z0-9-]*$/)
                break
            out = out == "" ? w[i] : out " " w[i]
        }
        return out
    }
    /^[.'\''][ \t]*\\"/ { next }                   # a comment line
    /^\.SH([ \t]|$)/ {
        title = $0
        sub(/^\.SH[ \t]*/, "", title)
        gsub(/"/, "", title)
        sub(/[ \t]+$/, "", title)
        if (title == "COMMANDS" || title == "SUBCOMMANDS") {
            sections++
            inside = 1
        } else {
            inside = 0
        }
        tag = 0
        next
    }
    !inside { next }
    tag {
        tag = 0
        if ($0 !~ /^\.B([ \t]|$)/) {
            print "line " NR ": the tag of a .TP entry does not start with .B: " $0 > "/dev/stderr"
            bad = 1
            next
        }
        words = command_words($0)
        if (words == "") {
            print "line " NR ": no command word in: " $0 > "/dev/stderr"
            bad = 1
        } else {
            print words
        }
        next
    }
    /^\.TP([ \t]|$)/ { tag = 1; next }
    END {
        if (sections == 0) { print "no COMMANDS (or SUBCOMMANDS) section" > "/dev/stderr"; exit 1 }
        if (sections > 1) { print "more than one COMMANDS section" > "/dev/stderr"; exit 1 }
        if (tag) { print "a .TP entry without a tag line at the end" > "/dev/stderr"; exit 1 }
        if (bad) exit 1
    }
' "$page" >"$work/man.list" 2>"$work/man.problems" ||
    fail "the manual page $page: $(cat "$work/man.problems")"

# --- comparison -------------------------------------------------------------------------

[ -s "$work/help.list" ] || fail "\"$cli --help\" lists no commands"
[ -s "$work/man.list" ] || fail "$page lists no commands"

for side in help man; do
    duplicates=$(sort "$work/$side.list" | uniq -d | tr '\n' ' ' | sed 's/ $//')
    if [ -n "$duplicates" ]; then
        [ "$side" = help ] && where="\"$cli --help\"" || where=$page
        fail "$where lists these commands more than once: $duplicates"
    fi
done

if cmp -s "$work/help.list" "$work/man.list"; then
    echo ok
    exit 0
fi

# Lines of file $1 that file $2 lacks, in the order of $1.
missing_from() {
    awk 'NR == FNR { have[$0] = 1; next } !($0 in have)' "$2" "$1"
}

{
    printf '%s: the commands of %s differ from those of "%s --help"\n' "$me" "$page" "$cli"
    only_help=$(missing_from "$work/help.list" "$work/man.list")
    only_man=$(missing_from "$work/man.list" "$work/help.list")
    if [ -n "$only_help" ]; then
        echo "  in the help only:"
        printf '%s\n' "$only_help" | sed 's/^/    /'
    fi
    if [ -n "$only_man" ]; then
        echo "  in the manual page only:"
        printf '%s\n' "$only_man" | sed 's/^/    /'
    fi
    if [ -z "$only_help" ] && [ -z "$only_man" ]; then
        echo "  the same commands in another order:"
    fi
    echo "  help order:        $(tr '\n' ',' <"$work/help.list" | sed 's/,$//; s/,/, /g')"
    echo "  manual page order: $(tr '\n' ',' <"$work/man.list" | sed 's/,$//; s/,/, /g')"
} >&2
exit 1
