#!/bin/sh
# kestrano-cli import: tasks from UTF-16 with tabs as a spreadsheet saves it, resources and
# schedules with --map and --start-row; refusals leave no output file.
cli="$1"
. "$(dirname "$0")/common.sh"
export KESTRANO_NOW="2027-03-01 09:00:00"
run new "$work/plan.qpp" --start 2027-03-01
# UTF-16 little-endian with a byte order mark, tabs between the cells, CR LF line ends.
printf 'Task Name\tDuration\tEnd Date\tPercent Complete\r\nSurvey \342\202\254\t16\t\t\r\n\r\nPermit\t8\t2027-03-19\t150\r\nSurvey \342\202\254\t4\t\t\r\nWalls\t40\t03/19/2027\t\r\n' |
    iconv -f UTF-8 -t UTF-16LE | { printf '\377\376'; cat; } >"$work/tasks.csv"
run import tasks "$work/plan.qpp" "$work/tasks.csv" -o "$work/tasks.qpp" >"$work/out"
diff "$cases/import-tasks.out" "$work/out" >&2 || fail "tasks: results"
# The imported tasks were scheduled (the core tests check each column's reading).
run dump "$work/tasks.qpp" >"$work/tasks.json"
field "$work/tasks.json" "Survey €" finish '"2027-03-02 16:00:00"'
# Resources with named fields, a line of units under the headers and a currency column.
printf 'Who,Rate,Extra\n\n(name),(per hour),(per hour)\nRita,"$45.50",60\nSam\n' >"$work/resources.csv"
run import resources "$work/plan.qpp" "$work/resources.csv" -o "$work/resources.qpp" \
    --start-row 3 --map "Resource Name=Who" --map "Regular Cost=Rate" >"$work/out"
printf '2 successful imports\n0 failed imports\n' | diff - "$work/out" || fail "resources: results"
run dump "$work/resources.qpp" >"$work/resources.json"
field "$work/resources.json" Rita hourlyRate 4550
field "$work/resources.json" Rita overtimeRate 0
printf 'Name,Mon,Mins\nNights,20:00,600\nDays,08:00,480\n' >"$work/schedules.csv"
run import schedules "$work/plan.qpp" "$work/schedules.csv" -o "$work/schedules.qpp" \
    --map "Schedule Name=Name" --map "Monday Start=Mon" --map "Monday Duration=Mins" >"$work/out"
printf '2 successful imports\n0 failed imports\n' | diff - "$work/out" || fail "schedules: results"
refusals import
echo ok
