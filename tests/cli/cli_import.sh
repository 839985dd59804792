#!/bin/sh
# kestrano-cli import: tasks from a UTF-16 tab-separated file as a spreadsheet program saves
# it, matched by header name; resources and schedules with --map and --start-row; the
# results printed as the wizard's results page lists them; refusals leave no output file.
set -u
cli="$1"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
. "$(dirname "$0")/common.sh"
export KESTRANO_NOW="2027-03-01 09:00:00"

"$cli" new "$work/plan.qpp" --start 2027-03-01 || fail "new"

# UTF-16 little-endian with a byte order mark, tabs between the cells, CR LF line ends.
printf 'Task Name\tDuration\tEnd Date\tPercent Complete\r\nSurvey \342\202\254\t16\t\t\r\n\r\nPermit\t8\t2027-03-19\t150\r\nSurvey \342\202\254\t4\t\t\r\nWalls\t40\t03/19/2027\t\r\n' |
    iconv -f UTF-8 -t UTF-16LE | { printf '\377\376'; cat; } >"$work/tasks.csv"
"$cli" import tasks "$work/plan.qpp" "$work/tasks.csv" -o "$work/tasks.qpp" >"$work/out" 2>"$work/err" ||
    fail "tasks: $(cat "$work/err")"
cat >"$work/expected" <<'END'
2 successful imports
2 failed imports
Row #0004: Import Failed -- A task with the name "Survey €" already exists
Row #0005: Import Failed -- Unable to parse Finish Date; Format must be "YYYY-MM-DD HH:MM:SS"
END
diff "$work/expected" "$work/out" || fail "tasks: results"
# field JSON NAME KEY VALUE: the element named NAME in the dump has KEY: VALUE.
field() {
    grep -A 40 "\"name\": \"$2\"" "$1" | grep -m 1 "\"$3\":" | grep -qF "\"$3\": $4"
}
"$cli" dump "$work/tasks.qpp" >"$work/tasks.json" || fail "dump"
# The imported tasks were scheduled: the permit is fixed to finish on the 19th.
field "$work/tasks.json" Permit percentComplete 100 || fail "tasks: the permit's progress"
field "$work/tasks.json" Permit constraintType 6 || fail "tasks: the permit's constraint"
field "$work/tasks.json" "Survey €" finish '"2027-03-02 16:00:00"' ||
    fail "tasks: the survey was not recalculated"

# Resources with named fields, a line of units under the headers and a currency column.
cat >"$work/resources.csv" <<'END'
Who,Rate,Extra

(name),(per hour),(per hour)
Rita,"$45.50",60
Sam
END
"$cli" import resources "$work/plan.qpp" "$work/resources.csv" -o "$work/resources.qpp" \
    --start-row 3 --map "Resource Name=Who" --map "Regular Cost=Rate" >"$work/out" 2>"$work/err" ||
    fail "resources: $(cat "$work/err")"
printf '2 successful imports\n0 failed imports\n' | diff - "$work/out" || fail "resources: results"
"$cli" dump "$work/resources.qpp" >"$work/resources.json" || fail "dump"
field "$work/resources.json" Rita hourlyRate 4550 || fail "resources: Rita's rate"
field "$work/resources.json" Rita overtimeRate 0 || fail "resources: Rita's overtime rate"

printf 'Name,Mon,Mins\nNights,20:00,600\nDays,08:00,480\n' >"$work/schedules.csv"
"$cli" import schedules "$work/plan.qpp" "$work/schedules.csv" -o "$work/schedules.qpp" \
    --map "Schedule Name=Name" --map "Monday Start=Mon" --map "Monday Duration=Mins" >"$work/out" ||
    fail "schedules"
printf '2 successful imports\n0 failed imports\n' | diff - "$work/out" || fail "schedules: results"

# Refusals: one line on stderr, exit 2, no output file.
expect_refusal "KIND is tasks, resources or schedules" "$cli" import people "$work/plan.qpp" "$work/tasks.csv" -o "$work/no.qpp"
expect_refusal "The file could not be found." "$cli" import tasks "$work/plan.qpp" "$work/none.csv" -o "$work/no.qpp"
expect_refusal "Please enter a positive number for the starting row." \
    "$cli" import tasks "$work/plan.qpp" "$work/tasks.csv" -o "$work/no.qpp" --start-row 0
expect_refusal "Field \"(required) Resource Name\" must be assigned a header." \
    "$cli" import resources "$work/plan.qpp" "$work/resources.csv" -o "$work/no.qpp"
expect_refusal "have been assigned the same input" \
    "$cli" import schedules "$work/plan.qpp" "$work/schedules.csv" -o "$work/no.qpp" \
    --map "Schedule Name=Name" --map "Monday Start=Mon" --map "Tuesday Start=Mon"
expect_refusal "there is no field \"Colour\"" \
    "$cli" import tasks "$work/plan.qpp" "$work/tasks.csv" -o "$work/no.qpp" --map "Colour=Task Name"
expect_refusal "has no column headed \"Title\"" \
    "$cli" import tasks "$work/plan.qpp" "$work/tasks.csv" -o "$work/no.qpp" --map "Task Name=Title"
expect_refusal "is missing, locked or not a Kestrano project file" \
    "$cli" import tasks "$work/tasks.csv" "$work/tasks.csv" -o "$work/no.qpp"
[ ! -e "$work/no.qpp" ] || fail "a refused import wrote its output"
echo "ok"
