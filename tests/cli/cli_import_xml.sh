#!/bin/sh
# kestrano-cli import-xml: a hand-written file and those another planner wrote (TaskJuggler
# 3) become recalculated projects with the summary of what came in; refusals write nothing.
cli="$1" data="$2"
. "$(dirname "$0")/common.sh"
export KESTRANO_NOW="2027-03-01 09:00:00"
# The counts, then a line for each thing not imported as the file has it, in order.
run import-xml "$data/small.xml" -o "$work/kiosk.qpp" >"$work/out"
diff "$cases/import-xml.out" "$work/out" >&2 || fail "the summary"
# The plan was written recalculated (Paint, Start No Earlier Than the 17th, may start then)
# and has nothing to report.
run check "$work/kiosk.qpp"
run dump "$work/kiosk.qpp" >"$work/kiosk.json"
has "$work/kiosk.json" '"name": "Harbour Kiosk"' '"date": "2027-05-03 12:00:00"'
field "$work/kiosk.json" Paint start '"2027-05-17 00:00:00"'
printf '<Project xmlns="http://schemas.microsoft.com/project">\n<Tasks>\n</Project>\n' >"$work/bad.xml"
refusals import-xml
# Files TaskJuggler 3 wrote, calendars with a lunch break among them: the summaries.
for name in plain links calendars; do
    run import-xml "$data/tj3/$name.xml" -o "$work/$name.qpp"
done >"$work/out"
diff "$cases/import-tj3-summary.out" "$work/out" >&2 || fail "the TaskJuggler summaries"
"$cli" check "$work/calendars.qpp" >/dev/null 2>&1
[ $? -le 1 ] || fail "check cannot read the imported calendars"
run dump "$work/plain.qpp" >"$work/plain.json"
run dump "$work/links.qpp" >"$work/links.json"
# Each task of the plain plan with its subtasks, start and finish after recalculation, links
# and assignments; the rates; and tasks of days without resources, which last the working
# time between their start and finish (Permit 5 days from a Thursday's end, Cure 7 days).
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
