# Shared by the command-line and installation tests, sourced after setting `cli`: a
# temporary folder `work` removed at the end, and the checks they repeat.
set -u
cases="$(dirname "$0")/../data/cli"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
# run COMMAND...: kestrano-cli with these arguments must succeed and print nothing on stderr.
run() {
    "$cli" "$@" 2>"$work/err" || fail "$*: $(cat "$work/err")"
    [ ! -s "$work/err" ] || fail "$* printed: $(cat "$work/err")"
}
# files: what is in the folder, with the checksum of each file; the settings kestrano-cli
# keeps for itself under config are no file of the user's.
files() {
    (cd "$work" && find . ! -name err ! -name files ! -path './config*' -print -type f \
        -exec cksum {} + | sort)
}
# expect_refusal TEXT COMMAND...: exit 2, exactly one line on stderr containing TEXT, and
# no file in the folder made, changed or removed.
expect_refusal() {
    text="$1"; shift
    files >"$work/files"
    "$@" >/dev/null 2>"$work/err" </dev/null
    status=$?
    [ "$status" -eq 2 ] || fail "$* exited $status, not 2"
    [ "$(wc -l <"$work/err")" -eq 1 ] || fail "$* printed: $(cat "$work/err")"
    grep -qF -- "$text" "$work/err" || fail "$* said: $(cat "$work/err")"
    files | diff "$work/files" - >&2 || fail "$* changed the files"
    rm "$work/files"
}
# refusals NAME: each line of tests/data/cli/NAME.txt but comments, "TEXT | ARGUMENTS", is a
# command line that kestrano-cli refuses with TEXT ($work in it stands for the folder); the
# arguments are split and expanded as the shell does.
refusals() {
    while IFS='|' read -r text arguments; do
        [ "${text#\#}" = "$text" ] || continue
        eval "set -- $arguments"
        expect_refusal "$(printf '%s' "${text% }" | sed "s|\$work|$work|g")" "$cli" "$@"
    done <"$cases/$1.txt"
}
# has FILE TEXT...: FILE holds each TEXT.
has() {
    file="$1"; shift
    for text; do grep -qF -- "$text" "$file" || fail "no \"$text\" in $file"; done
}
# field JSON NAME KEY VALUE: the element named NAME in the dump has KEY: VALUE.
field() {
    grep -A 40 "\"name\": \"$2\"" "$1" | grep -m 1 "\"$3\":" | grep -qF "\"$3\": $4" ||
        fail "$2 has no $3: $4"
}
# mail_settings PORT: confirmed e-mail settings that send through 127.0.0.1:PORT.
mail_settings() {
    mkdir -p "$work/config/Kestrano"
    printf '[Email]\nDefaultsSet=1\nSetViewed=1\nUseSMTPHost=1\nSendDirect=0\nMailSMTPHost=127.0.0.1:%s\nReplyToEmail=planner@example.com\n' \
        "$1" >"$work/config/Kestrano/Kestrano.conf"
}
