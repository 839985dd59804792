#!/bin/sh
# kestrano-cli baseline: adding (at most ten, each name once), deleting, comparing a 47-task
# plan on two US Letter pages; refusals change neither the project nor an earlier comparison.
cli="$1"
. "$(dirname "$0")/common.sh"
export KESTRANO_NOW="2027-05-03 09:00:00"
# A plan of 47 tasks of one to five days on the default week.
run from-json "$(dirname "$0")/../data/baseline-plan.json" -o "$work/plan.qpp"
run new "$work/empty.qpp"
# Baselines get the IDs 0, 1, ... and are kept in the file under their names.
[ "$("$cli" baseline add "Before" "$work/plan.qpp")" = "0" ] || fail "the first baseline is not 0"
[ "$("$cli" baseline add "  Second  " "$work/plan.qpp")" = "1" ] || fail "the second is not 1"
run dump "$work/plan.qpp" >"$work/dump.json"
has "$work/dump.json" '"name": "Before"' '"name": "Second"'
refusals baseline
# The comparison on two US Letter pages (the core tests check the rows of each page).
if "$cli" baseline compare 0 "$work/plan.qpp" -o "$work/compare.pdf" 2>"$work/err"; then
    [ ! -s "$work/err" ] || fail "compare printed: $(cat "$work/err")"
    pdfinfo "$work/compare.pdf" >"$work/info" || fail "pdfinfo cannot read the comparison"
    grep -q '^Pages: *2$' "$work/info" && grep -q '^Page size: *612 x 792 pts' "$work/info" ||
        fail "the comparison is not two US Letter pages"
    pdftotext "$work/compare.pdf" "$work/compare.txt" || fail "pdftotext"
    has "$work/compare.txt" "Baseline Comparison: Before against Harbour as of 3 May 2027" \
        "Page 1" "Page 2" "Task 46" "Task 47" "Variance"
    exec 9<"$work/compare.pdf"
    flock -x -n 9 || fail "cannot lock the comparison"
    refusals baseline-compare
    exec 9<&-
else
    grep -q "without PDF output" "$work/err" || fail "compare: $(cat "$work/err")"
fi
# Deleting the first moves the second down to ID 0; ten baselines at most.
run baseline delete 0 "$work/plan.qpp"
run dump "$work/plan.qpp" >"$work/dump.json"
! grep -q '"name": "Before"' "$work/dump.json" || fail "the deleted baseline is still there"
[ "$("$cli" baseline add "Third" "$work/plan.qpp")" = "1" ] || fail "IDs were not closed up"
for name in 3 4 5 6 7 8 9 10; do run baseline add "Plan $name" "$work/plan.qpp" >/dev/null; done
expect_refusal "supports only 10 baselines per project" "$cli" baseline add "Eleventh" "$work/plan.qpp"
echo ok
