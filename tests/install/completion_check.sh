#!/bin/sh
# Checks the bash completion of kestrano-cli against "kestrano-cli --help".
#
#   tests/install/completion_check.sh PATH/TO/completions/kestrano-cli PATH/TO/kestrano-cli
#
# In bash, with the completion file sourced on its own and, when bash-completion is
# installed, once more after bash-completion (set BASH_COMPLETION_SCRIPT to use another
# copy of it than /usr/share/bash-completion/bash_completion):
#   - the empty first word offers exactly the commands the help lists (their first
#     words, once each);
#   - "report <TAB>" offers exactly the four report kinds, each of which the help names;
#   - where a project file is expected, a .qpp file in a temporary folder is offered and
#     a .txt file is not; where export-xml writes, an .xml file is offered.
# Prints "ok" and exits 0 when all hold; otherwise says what failed on standard error
# and exits 1. Exits 2 when called wrongly.

set -u

me=completion_check.sh

if [ "$#" -ne 2 ]; then
    echo "usage: $me COMPLETION-FILE KESTRANO-CLI" >&2
    exit 2
fi
completion=$1
cli=$2

fail() {
    printf '%s: %s\n' "$me" "$*" >&2
    exit 1
}

if [ ! -f "$completion" ] || [ ! -r "$completion" ]; then
    fail "cannot read the completion file $completion"
fi
command -v bash >/dev/null 2>&1 || fail "bash is not installed"
# The file is sourced from the temporary folder the file checks run in.
case $completion in
    /*) ;;
    *) completion=$(pwd)/$completion ;;
esac

work=$(mktemp -d 2>/dev/null) || {
    work=${TMPDIR:-/tmp}/completion_check.$$
    mkdir -m 700 "$work" || fail "cannot create a temporary folder"
}
trap 'rm -rf "$work"' EXIT
trap 'exit 1' HUP INT TERM

LC_ALL=C
export LC_ALL

# --- what the help says -----------------------------------------------------------------

"$cli" --help >"$work/help.txt" 2>"$work/help.err"
status=$?
[ "$status" -eq 0 ] || fail "\"$cli --help\" exited $status: $(head -n 3 "$work/help.err")"

# The first word of every command line of the "Commands:" section, once each, sorted.
awk '
    /^Commands:[ \t]*$/ { inside = 1; seen = 1; next }
    inside && /^[ \t]*$/ { inside = 0; next }
    inside && /^  [a-z]/ { split($0, w, /[ \t]+/); print w[2] }
    END { if (!seen) exit 1 }
' "$work/help.txt" | sort -u >"$work/commands.expected" ||
    fail "\"$cli --help\" has no \"Commands:\" section"
[ -s "$work/commands.expected" ] || fail "\"$cli --help\" lists no commands"

kinds='task-summary task-detail task-expense resource-expense'
for kind in $kinds; do
    grep -q -- "$kind" "$work/help.txt" || fail "\"$cli --help\" does not name the report $kind"
done
# shellcheck disable=SC2086 # one word a line
printf '%s\n' $kinds | sort >"$work/kinds.expected"

# --- completing ---------------------------------------------------------------------------

# complete MODE WORD...: what the completion offers for the last WORD, one a line, sorted,
# run in the temporary folder "$work/files". MODE "plain" sources the completion file
# alone, "bc" sources bash-completion first and passes the line as readline would.
complete_words() {
    mode=$1
    shift
    (
        cd "$work/files" || exit 1
        BASH_ENV='' bash -c '
            mode=$1 completion=$2 bc=$3
            shift 3
            if [[ $mode == bc ]]; then
                source "$bc" || exit 1
                declare -F _init_completion >/dev/null || { echo "no _init_completion" >&2; exit 1; }
            fi
            source "$completion" || exit 1
            [[ $(complete -p kestrano-cli 2>/dev/null) == "complete -F _kestrano_cli kestrano-cli" ]] ||
                { echo "the file does not register _kestrano_cli for kestrano-cli" >&2; exit 1; }
            COMP_WORDS=("$@")
            COMP_CWORD=$(($# - 1))
            if [[ $mode == bc ]]; then
                COMP_LINE="$*"
                COMP_POINT=${#COMP_LINE}
                COMP_TYPE=9
                COMP_KEY=9
            fi
            COMPREPLY=()
            _kestrano_cli
            ((${#COMPREPLY[@]} == 0)) || printf "%s\n" "${COMPREPLY[@]}"
        ' bash "$mode" "$completion" "$bc_script" "$@"
    ) 2>"$work/complete.err" | sort >"$work/offered"
    [ ! -s "$work/complete.err" ] || fail "($mode) completing \"$*\": $(cat "$work/complete.err")"
}

# offered_list: the offered words on one line, for messages.
offered_list() {
    tr '\n' ' ' <"$work/offered" | sed 's/ $//'
}

mkdir "$work/files" "$work/files/folder" || fail "cannot create the test files"
: >"$work/files/plan.qpp"
: >"$work/files/notes.txt"
: >"$work/files/data.csv"
: >"$work/files/plan.xml"

bc_script=${BASH_COMPLETION_SCRIPT:-/usr/share/bash-completion/bash_completion}
modes=plain
[ -r "$bc_script" ] && modes="plain bc"

for mode in $modes; do
    complete_words "$mode" kestrano-cli ''
    cmp -s "$work/offered" "$work/commands.expected" ||
        fail "($mode) the first word offers \"$(offered_list)\", the help lists \"$(tr '\n' ' ' <"$work/commands.expected" | sed 's/ $//')\""

    complete_words "$mode" kestrano-cli report ''
    cmp -s "$work/offered" "$work/kinds.expected" ||
        fail "($mode) \"report <TAB>\" offers \"$(offered_list)\", not the four report kinds"

    # Every place a project file is expected.
    for line in \
        'dump' 'export-xml' 'check' 'recalc' 'gantt' 'new' \
        'recalc plan.qpp -o' 'from-json in.json -o' \
        'report task-summary' 'import tasks' 'import tasks plan.qpp data.csv -o' 'import-xml data.xml -o' \
        'baseline add Name' 'baseline delete 1' 'baseline compare 1' 'updates task'; do
        # shellcheck disable=SC2086 # the words of the line are meant to be split
        complete_words "$mode" kestrano-cli $line ''
        grep -qx 'plan.qpp' "$work/offered" ||
            fail "($mode) \"$line <TAB>\" does not offer plan.qpp (offers \"$(offered_list)\")"
        grep -qx 'notes.txt' "$work/offered" &&
            fail "($mode) \"$line <TAB>\" offers notes.txt"
        grep -qx 'folder' "$work/offered" ||
            fail "($mode) \"$line <TAB>\" does not offer the folder \"folder\" (offers \"$(offered_list)\")"
    done

    # The export's output is an XML file.
    complete_words "$mode" kestrano-cli export-xml plan.qpp -o ''
    grep -qx 'plan.xml' "$work/offered" ||
        fail "($mode) \"export-xml plan.qpp -o <TAB>\" does not offer plan.xml (offers \"$(offered_list)\")"
    grep -qx 'plan.qpp' "$work/offered" &&
        fail "($mode) \"export-xml plan.qpp -o <TAB>\" offers plan.qpp"

    # A word already typed narrows the files down.
    complete_words "$mode" kestrano-cli dump pl
    [ "$(offered_list)" = plan.qpp ] ||
        fail "($mode) \"dump pl<TAB>\" offers \"$(offered_list)\", not plan.qpp"
done

echo ok
