#!/bin/sh
# kestrano-cli check: what a plan cannot satisfy, one line each; exit 0 for nothing, 1 for
# something, 2 for a file that is not a project.
set -u
cli="$1"
data="$2"
examples="$3"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
. "$(dirname "$0")/common.sh"

# A plan with one of everything: a loop and a task waiting on it, a task on a schedule
# without working time, two manual tasks over-committing one resource, a Start On task
# before its predecessor ends, and a finish after the deadline.
TZ=UTC "$cli" from-json "$data/check-plan.json" -o "$work/plan.qpp" || fail "from-json"
TZ=UTC "$cli" check "$work/plan.qpp" >"$work/out"
status=$?
[ "$status" -eq 1 ] || fail "check of a plan with problems exited $status, not 1"
cat >"$work/expected" <<'LINES'
loop: #4 "Loop A" is on a dependency loop; it keeps its dates
loop: #5 "Loop B" is on a dependency loop; it keeps its dates
loop: #6 "After the loop" waits on a dependency loop (through #5 "Loop B"); it keeps its dates
no working time: #8 "Night audit" has 04h 00m of work, but its calendars have no working time
over-committed: #2 "Review" puts Ana at 150% on 2027-03-01
over-committed: #3 "Audit" puts Ana at 150% on 2027-03-01
broken link: #7 "Inspection" starts 2027-03-02 00:00:00, 6d 12h 00m before its Finish-to-Start link on #1 "Design" allows; its Start On constraint wins (total slack -6d 12h 00m)
deadline: the plan finishes 2027-03-08 12:00:00, after its deadline 2027-03-04 00:00:00
LINES
diff "$work/expected" "$work/out" >&2 || fail "check printed other lines"

# A sound plan: nothing to say.
TZ=UTC "$cli" check "$examples/office-move.qpp" >"$work/out"
status=$?
[ "$status" -eq 0 ] || fail "check of the sample plan exited $status: $(cat "$work/out")"
[ ! -s "$work/out" ] || fail "check of the sample plan printed: $(cat "$work/out")"

expect_refusal "is missing, locked or not a Kestrano project file" \
    "$cli" check "$work/none.qpp"
expect_refusal "give exactly one project file" "$cli" check
echo ok
