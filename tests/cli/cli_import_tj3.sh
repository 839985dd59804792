#!/bin/sh
# kestrano-cli import-xml on files another planner wrote (TaskJuggler 3, in tests/data):
# the tasks with their headers, the links, the resources with their rates and the
# assignments come in, and the recalculated dates are the ones the file gives.
cli="$1"
data="$2"
. "$(dirname "$0")/common.sh"

run import-xml "$data/plain.xml" -o "$work/plain.qpp" >"$work/out"
has "$work/out" "Imported: 5 tasks, 2 headers, 4 links, 2 resources, 4 assignments, 3 schedules, 0 exceptions"
run import-xml "$data/links.xml" -o "$work/links.qpp" >"$work/out"
has "$work/out" "Imported: 7 tasks, 2 headers, 6 links, 1 resources, 4 assignments"
# Calendars with a lunch break: imported with a note.
run import-xml "$data/calendars.xml" -o "$work/calendars.qpp" >"$work/out"
has "$work/out" "Imported: 3 tasks, 0 headers, 2 links, 2 resources, 4 assignments, 3 schedules" \
    "breaks between the working times"
"$cli" check "$work/calendars.qpp" >/dev/null 2>&1
[ $? -le 1 ] || fail "check cannot read the imported calendars"
run dump "$work/plain.qpp" >"$work/plain.json"
run dump "$work/links.qpp" >"$work/links.json"
# Each task of the plain plan with its subtasks, the days and hours of its start and finish
# (TaskJuggler's, after Kestrano's own recalculation), its links and assignments; the rates;
# and tasks of days without resources, which come only with their start and finish: they
# last the working time between them (Permit 5 days from a Thursday's end, Cure 7 days).
python3 - "$work/plain.json" "$work/links.json" <<'PY' | diff "$cases/import-tj3.out" - >&2 ||
import json, sys
plain, links = (json.load(open(path))["project"] for path in sys.argv[1:])
names = {t["key"]: t["name"] for t in plain["tasks"]}
people = {r["key"]: r["name"] for r in plain["resources"]}
for t in plain["tasks"]:
    print(t["name"], [names[k] for k in t["subtaskKeys"]], t["start"][5:13], t["finish"][5:13],
          sorted((names[d["predecessorKey"]], d["type"]) for d in t["dependencies"]),
          sorted((people[a["resourceKey"]], a["percent"]) for a in t["resourceAssignments"]))
print(sorted((r["name"], r["hourlyRate"]) for r in plain["resources"]))
print([(t["name"], t["durationText"], t["milestone"]) for t in links["tasks"]
       if t["name"] in ("Permit", "Cure")])
PY
    fail "the plans are not the files'"
echo ok
