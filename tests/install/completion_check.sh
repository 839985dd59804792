#!/bin/sh
# The bash completion of kestrano-cli (COMPLETION CLI), alone and after bash-completion
# (BASH_COMPLETION_SCRIPT names another copy): the first word offers the commands of
# --help, "report" its four kinds; after the words of tests/data/install/project-file-words.txt
# a .qpp file and folders, not a .txt file; where export-xml writes, an .xml file.
completion=$(realpath "$1")
cli="$2"
. "$(dirname "$0")/../cli/common.sh"
export LC_ALL=C

"$cli" --help >"$work/help.txt" || fail "\"$cli --help\" failed"
awk '/^Commands:[ \t]*$/ { inside = 1; next } inside && /^[ \t]*$/ { exit }
     inside && /^  [a-z]/ { print $1 }' "$work/help.txt" | sort -u | tr '\n' ' ' >"$work/commands"
[ -s "$work/commands" ] || fail "the help lists no commands"
kinds='resource-expense task-detail task-expense task-summary ' # sorted, as offered
for kind in $kinds; do grep -q -- "$kind" "$work/help.txt" || fail "the help lacks $kind"; done

# offered MODE WORD...: what the completion offers for the last WORD, sorted, in the folder
# "$work/files". MODE "bc" sources bash-completion first and passes the line as readline does.
offered() {
    (cd "$work/files" && BASH_ENV='' mode=$1 completion=$completion bc=$bc bash -c '
        shift
        if [[ $mode == bc ]]; then
            source "$bc" && declare -F _init_completion >/dev/null || exit 1
            COMP_LINE="kestrano-cli $*" COMP_POINT=${#COMP_LINE} COMP_TYPE=9 COMP_KEY=9
        fi
        source "$completion" || exit 1
        [[ $(complete -p kestrano-cli) == "complete -F _kestrano_cli kestrano-cli" ]] || exit 1
        COMP_WORDS=(kestrano-cli "$@") COMP_CWORD=$# COMPREPLY=()
        _kestrano_cli
        ((${#COMPREPLY[@]} == 0)) || printf "%s\n" "${COMPREPLY[@]}"
    ' bash "$@") 2>"$work/err" | sort >"$work/offered"
    [ ! -s "$work/err" ] || fail "completing \"$*\": $(cat "$work/err")"
    tr '\n' ' ' <"$work/offered"
}

mkdir -p "$work/files/folder"
touch "$work/files/plan.qpp" "$work/files/notes.txt" "$work/files/data.csv" "$work/files/plan.xml"
bc=${BASH_COMPLETION_SCRIPT:-/usr/share/bash-completion/bash_completion}
modes=plain
[ -r "$bc" ] && modes="plain bc"
for mode in $modes; do
    [ "$(offered "$mode" '')" = "$(cat "$work/commands")" ] ||
        fail "($mode) the first word offers \"$(cat "$work/offered")\""
    [ "$(offered "$mode" report '')" = "$kinds" ] ||
        fail "($mode) \"report <TAB>\" offers \"$(cat "$work/offered")\""
    while read -r line <&3; do
        # shellcheck disable=SC2086 # the words of the line are meant to be split
        offered "$mode" $line '' >/dev/null
        grep -qx plan.qpp "$work/offered" && grep -qx folder "$work/offered" &&
            ! grep -qx notes.txt "$work/offered" ||
            fail "($mode) \"$line <TAB>\" offers \"$(cat "$work/offered")\""
    done 3<"$(dirname "$0")/../data/install/project-file-words.txt"
    offered "$mode" export-xml plan.qpp -o '' >/dev/null
    grep -qx plan.xml "$work/offered" && ! grep -qx plan.qpp "$work/offered" ||
        fail "($mode) \"export-xml plan.qpp -o <TAB>\" offers \"$(cat "$work/offered")\""
    [ "$(offered "$mode" dump pl)" = "plan.qpp " ] || fail "($mode) \"dump pl<TAB>\" offers \"$(cat "$work/offered")\""
done
echo ok
