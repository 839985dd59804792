#!/bin/sh
# kestrano-cli baseline: adding (at most ten, each name once), deleting, and the comparison
# of a 47-task plan as two US Letter pages; refusals (exit 2, one line on stderr) change
# neither the project nor an earlier comparison.
set -u
cli="$1"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
. "$(dirname "$0")/common.sh"
export KESTRANO_NOW="2027-05-03 09:00:00"

# A plan of 47 tasks of one to five days on the default week.
{
    printf '{"project": {"name": "Harbour", "lastKey": 47, "defaultScheduleKey": 0,'
    printf ' "projectStart": "2027-05-03", "tasks": ['
    i=1
    while [ $i -le 47 ]; do
        [ $i -gt 1 ] && printf ','
        printf '{"name": "Task %d", "durationText": "%d", "id": %d, "key": %d}' \
            $i $(((i % 5 + 1) * 8)) $i $i
        i=$((i + 1))
    done
    printf '], "schedules": [{"name": "Default Schedule", "id": 1, "regularWorkWeek": 144000,'
    printf ' "key": 0, "shiftDuration": [0, 28800, 28800, 28800, 28800, 28800, 0],'
    printf ' "shiftStart": [28800, 28800, 28800, 28800, 28800, 28800, 28800]}]}}\n'
} >"$work/plan.json"
"$cli" from-json "$work/plan.json" -o "$work/plan.qpp" || fail "from-json"

# Baselines get the IDs 0, 1, ... and are kept in the file under their names.
[ "$("$cli" baseline add "Before" "$work/plan.qpp")" = "0" ] || fail "the first baseline is not 0"
[ "$("$cli" baseline add "  Second  " "$work/plan.qpp")" = "1" ] || fail "the second is not 1"
"$cli" dump "$work/plan.qpp" >"$work/dump.json" || fail "dump"
grep -q '"name": "Before"' "$work/dump.json" || fail "the first baseline is not in the file"
grep -q '"name": "Second"' "$work/dump.json" || fail "the name was not trimmed"

cp "$work/plan.qpp" "$work/kept.qpp"
expect_refusal "A baseline with this name already exists." \
    "$cli" baseline add "Before" "$work/plan.qpp"
expect_refusal "Please enter a name for the new baseline." \
    "$cli" baseline add "   " "$work/plan.qpp"
expect_refusal "has no baseline with ID 7" "$cli" baseline delete 7 "$work/plan.qpp"
expect_refusal "\"one\" is not a baseline ID" "$cli" baseline delete one "$work/plan.qpp"
expect_refusal "give add, delete or compare" "$cli" baseline list "$work/plan.qpp"
expect_refusal "is missing, locked or not" "$cli" baseline add "X" "$work/none.qpp"
cmp -s "$work/plan.qpp" "$work/kept.qpp" || fail "a refusal changed the project"
"$cli" new "$work/empty.qpp" || fail "new"
expect_refusal "does not contain a task -- no baseline may be created." \
    "$cli" baseline add "X" "$work/empty.qpp"

# The comparison: 46 task rows on page 1, one on page 2, on US Letter.
if "$cli" baseline compare 0 "$work/plan.qpp" -o "$work/compare.pdf" 2>"$work/err"; then
    [ ! -s "$work/err" ] || fail "compare printed: $(cat "$work/err")"
    pdfinfo "$work/compare.pdf" >"$work/info" || fail "pdfinfo cannot read the comparison"
    grep -q '^Pages: *2$' "$work/info" || fail "the comparison is not two pages"
    grep -q '^Page size: *612 x 792 pts' "$work/info" || fail "the pages are not US Letter"
    pdftotext "$work/compare.pdf" "$work/compare.txt" || fail "pdftotext"
    grep -qF "Baseline Comparison: Before against Harbour as of 3 May 2027" "$work/compare.txt" ||
        fail "the title is not in the comparison"
    for text in "Page 1" "Page 2" "Task 46" "Task 47" "Variance"; do
        grep -qF "$text" "$work/compare.txt" || fail "\"$text\" is not in the comparison"
    done
    [ "$(pdftotext -f 2 -l 2 "$work/compare.pdf" - | grep -c '^Task ')" -eq 1 ] ||
        fail "page 2 does not hold exactly one task"
    expect_refusal "has no baseline with ID 2" \
        "$cli" baseline compare 2 "$work/plan.qpp" -o "$work/compare.pdf"
    expect_refusal "cannot write" \
        "$cli" baseline compare 0 "$work/plan.qpp" -o "$work/no-folder/compare.pdf"
    [ ! -e "$work/no-folder" ] || fail "a folder was made"
    cp "$work/compare.pdf" "$work/compare-kept.pdf"
    exec 9<"$work/compare.pdf"
    flock -x -n 9 || fail "cannot lock the comparison"
    expect_refusal "in use by another application" \
        "$cli" baseline compare 0 "$work/plan.qpp" -o "$work/compare.pdf"
    exec 9<&-
    cmp -s "$work/compare.pdf" "$work/compare-kept.pdf" || fail "a refusal changed the comparison"
else
    grep -q "without PDF output" "$work/err" || fail "compare: $(cat "$work/err")"
fi
expect_refusal "give a baseline ID, one project file and -o OUT.pdf" \
    "$cli" baseline compare 0 "$work/plan.qpp"

# Deleting the first moves the second down to ID 0.
"$cli" baseline delete 0 "$work/plan.qpp" || fail "delete"
"$cli" dump "$work/plan.qpp" >"$work/dump.json" || fail "dump"
! grep -q '"name": "Before"' "$work/dump.json" || fail "the deleted baseline is still there"
[ "$("$cli" baseline add "Third" "$work/plan.qpp")" = "1" ] || fail "IDs were not closed up"

# Ten baselines at most.
for name in 3 4 5 6 7 8 9 10; do
    "$cli" baseline add "Plan $name" "$work/plan.qpp" >/dev/null || fail "baseline $name"
done
cp "$work/plan.qpp" "$work/kept.qpp"
expect_refusal "supports only 10 baselines per project" \
    "$cli" baseline add "Eleventh" "$work/plan.qpp"
cmp -s "$work/plan.qpp" "$work/kept.qpp" || fail "the eleventh baseline changed the project"
echo ok
