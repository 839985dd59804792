#!/bin/sh
# kestrano-cli check: what a plan cannot satisfy, one line each; exit 0 for nothing, 1 for
# something, 2 for a file that is not a project.
cli="$1"
data="$2"
examples="$3"
. "$(dirname "$0")/common.sh"

# A plan with one of everything (tests/data/check-plan.out lists it): a loop and a task
# waiting on it, a task on a schedule without working time, two manual tasks over-committing
# one resource, a Start On task before its predecessor ends, and a finish after the deadline.
export TZ=UTC
run from-json "$data/check-plan.json" -o "$work/plan.qpp"
"$cli" check "$work/plan.qpp" >"$work/out"
[ $? -eq 1 ] || fail "check of a plan with problems did not exit 1"
diff "$data/check-plan.out" "$work/out" >&2 || fail "check printed other lines"
# A sound plan: nothing to say.
"$cli" check "$examples/office-move.qpp" >"$work/out" || fail "check of the sample plan failed"
[ ! -s "$work/out" ] || fail "check of the sample plan printed: $(cat "$work/out")"
refusals check
echo ok
