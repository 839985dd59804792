#!/bin/sh
# kestrano-cli import-xml: a hand-written Project XML file becomes a recalculated project;
# the summary lists the counts and, line by line, what was not imported as the file has it;
# a file that is not Project XML is refused with the line it fails on and writes nothing.
set -u
cli="$1"
data="$2"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
. "$(dirname "$0")/common.sh"
export KESTRANO_NOW="2027-03-01 09:00:00"

"$cli" import-xml "$data/small.xml" -o "$work/kiosk.qpp" >"$work/out" 2>"$work/err" ||
    fail "import-xml: $(cat "$work/err")"
[ ! -s "$work/err" ] || fail "import-xml wrote to stderr: $(cat "$work/err")"
head -n 2 "$work/out" >"$work/head"
cat >"$work/expected" <<'END'
Imported: 8 tasks, 2 headers, 8 links, 2 resources, 5 assignments, 3 schedules, 3 exceptions
Not imported as the file has it:
END
diff "$work/expected" "$work/head" || fail "the counts"
# One line for each thing not imported as the file has it, in the file's order.
for note in \
    'line 16: calendar "Standard": the breaks between the working times of Mon are folded in' \
    'line 102: task "Foundations": the link from "Plans approved" to "Foundations" (between headers "Design" and "Build"): already linked' \
    'line 103: task "Frame": a summary task at outline level 2 is not kept' \
    'line 111: task "Paint": a lead of 1 day; the planner has no negative lags, so it is 0' \
    'line 123: resource "Concrete": a material resource' \
    'line 130: assignment to task "Design": summary tasks book no resources' \
    'line 132: assignment to task "Paint": 150 percent' \
    'rates per day are converted at 8 hours a day' \
    '1 blank row of tasks or resources skipped' \
    '1 link lag in working time converted to calendar days at 480 minutes a day'; do
    grep -qF -- "$note" "$work/out" || fail "no note: $note"
done
[ "$(wc -l <"$work/out")" -eq 12 ] || fail "unexpected notes: $(cat "$work/out")"

# The plan was recalculated and has nothing to report.
"$cli" check "$work/kiosk.qpp" >"$work/check" || fail "check: $(cat "$work/check")"
"$cli" dump "$work/kiosk.qpp" >"$work/kiosk.json" || fail "dump"
# field JSON NAME KEY VALUE: the element named NAME in the dump has KEY: VALUE.
field() {
    grep -A 40 "\"name\": \"$2\"" "$1" | grep -m 1 "\"$3\":" | grep -qF "\"$3\": $4"
}
grep -qF '"name": "Harbour Kiosk"' "$work/kiosk.json" || fail "the project name"
field "$work/kiosk.json" Design isHeader true || fail "Design is no header"
field "$work/kiosk.json" Walls durationText '"40"' || fail "the walls' work"
# Start No Earlier Than the 17th: Paint may start on the 17th.
field "$work/kiosk.json" Paint start '"2027-05-17 00:00:00"' || fail "Paint's start"
field "$work/kiosk.json" Rita hourlyRate 4800 || fail "Rita's rate"
field "$work/kiosk.json" Sam hourlyRate 5000 || fail "Sam's rate per day"
grep -qF '"date": "2027-05-03 12:00:00"' "$work/kiosk.json" || fail "the holiday"

# Refusals: one line on stderr naming the line, exit 2, no output file.
printf 'Task,Duration\nSurvey,8\n' >"$work/tasks.csv"
expect_refusal "tasks.csv: line 1: text outside the root element" \
    "$cli" import-xml "$work/tasks.csv" -o "$work/no.qpp"
printf '<?xml version="1.0"?>\n<Plan xmlns="http://schemas.microsoft.com/project"/>\n' >"$work/plan.xml"
expect_refusal "plan.xml: line 2: the root element <Plan> is not the Project element" \
    "$cli" import-xml "$work/plan.xml" -o "$work/no.qpp"
printf '<Project xmlns="http://schemas.microsoft.com/project">\n<Tasks>\n</Project>\n' >"$work/bad.xml"
expect_refusal "bad.xml: line 3: the end tag </Project> does not match <Tasks> of line 2" \
    "$cli" import-xml "$work/bad.xml" -o "$work/no.qpp"
expect_refusal "The file could not be found." "$cli" import-xml "$work/none.xml" -o "$work/no.qpp"
expect_refusal "give FILE.xml -o OUT.qpp" "$cli" import-xml "$work/plan.xml"
[ ! -e "$work/no.qpp" ] || fail "a refused import wrote its output"
echo "ok"
