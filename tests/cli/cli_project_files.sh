#!/bin/sh
# kestrano-cli --help, --version, new and recalc; bad input is refused and writes nothing
# (cli.examples takes JSON through project files in three zones).
cli="$1" data="$2"
. "$(dirname "$0")/common.sh"
[ "$("$cli" --version)" = "kestrano-cli 1.13" ] || fail "--version"
"$cli" --help | grep -q '^Usage: kestrano-cli' || fail "--help printed no usage"
expect_refusal "" "$cli" frobnicate
"$cli" >/dev/null 2>&1
[ $? -eq 2 ] || fail "no command did not exit 2"
KESTRANO_NOW="2026-12-06 09:00:00" "$cli" new "$work/new.qpp" --name " Quay " \
    --start 2027-01-04 --deadline 2027-03-31 || fail "new"
run dump "$work/new.qpp" >"$work/new.json"
has "$work/new.json" '"name": "Quay"' '"projectStart": "2027-01-04"' \
    '"projectDeadline": "2027-03-31"' '"name": "Default Schedule"'
# recalc: two tasks in a row on the default calendar, from Monday 1 March 2027.
run from-json "$data/two-tasks.json" -o "$work/plan.qpp"
run recalc "$work/plan.qpp" -o "$work/planned.qpp"
run dump "$work/planned.qpp" >"$work/planned.json"
has "$work/planned.json" '"projectFinish": "2027-03-03"' '"finish": "2027-03-03 16:00:00"' \
    '"displayStart": "2027-03-01 08:00:00"'
run recalc "$work/plan.qpp"
cmp -s "$work/plan.qpp" "$work/planned.qpp" || fail "recalc in place wrote something else"
refusals project-files
echo ok
