#!/bin/sh
# kestrano-cli import-xml on files another planner wrote (TaskJuggler 3, in tests/data):
# the tasks with their headers, the links, the resources with their rates and the
# assignments come in, and the recalculated dates are the ones the file gives.
set -u
cli="$1"
data="$2"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
. "$(dirname "$0")/common.sh"

"$cli" import-xml "$data/plain.xml" -o "$work/plain.qpp" >"$work/out" 2>"$work/err" ||
    fail "import-xml plain: $(cat "$work/err")"
grep -qx "Imported: 5 tasks, 2 headers, 4 links, 2 resources, 4 assignments, 3 schedules, 0 exceptions" \
    "$work/out" || fail "plain: $(cat "$work/out")"
"$cli" dump "$work/plain.qpp" >"$work/plain.json" || fail "dump"
python3 - "$work/plain.json" <<'PY' || fail "plain: the plan is not the file's"
import json, sys
project = json.load(open(sys.argv[1]))["project"]
tasks = {t["name"]: t for t in project["tasks"]}
keys = {t["key"]: t["name"] for t in project["tasks"]}
assert [t["name"] for t in project["tasks"]] == \
    ["Design", "Sketch", "Review", "Build", "Walls", "Roof", "Done"], list(tasks)
assert [keys[k] for k in tasks["Design"]["subtaskKeys"]] == ["Sketch", "Review"]
assert [keys[k] for k in tasks["Build"]["subtaskKeys"]] == ["Walls", "Roof"]
links = sorted((keys[d["predecessorKey"]], name, d["type"])
               for name, t in tasks.items() for d in t["dependencies"])
assert links == [("Build", "Done", 0), ("Design", "Build", 0), ("Sketch", "Review", 0),
                 ("Walls", "Roof", 0)], links
# The dates TaskJuggler gives, after Kestrano's own recalculation.
expected = {"Sketch": ("2027-03-01 09:00:00", "2027-03-02 17:00:00"),
            "Review": ("2027-03-03 09:00:00", "2027-03-03 17:00:00"),
            "Walls": ("2027-03-04 09:00:00", "2027-03-08 17:00:00"),
            "Roof": ("2027-03-09 09:00:00", "2027-03-10 17:00:00")}
for name, (start, finish) in expected.items():
    assert (tasks[name]["start"], tasks[name]["finish"]) == (start, finish), (name, tasks[name])
resources = {r["key"]: r for r in project["resources"]}
assert sorted((r["name"], r["hourlyRate"]) for r in resources.values()) == \
    [("Ana", 5000), ("Bo", 4000)]
assigned = sorted((name, resources[a["resourceKey"]]["name"], a["percent"])
                  for name, t in tasks.items() for a in t["resourceAssignments"])
assert assigned == [("Review", "Bo", 100), ("Roof", "Bo", 100), ("Sketch", "Ana", 100),
                    ("Walls", "Ana", 100)], assigned
PY

# Links of every kind the writer knows, and calendars with a lunch break: imported with a
# note for each thing the planner holds otherwise.
"$cli" import-xml "$data/links.xml" -o "$work/links.qpp" >"$work/out" 2>"$work/err" ||
    fail "import-xml links: $(cat "$work/err")"
grep -q "^Imported: 7 tasks, 2 headers, 6 links, 1 resources, 4 assignments" "$work/out" ||
    fail "links: $(cat "$work/out")"
# Tasks of days without resources come only with their start and finish: they last the
# working time between them (Permit 5 days from a Thursday's end, Cure 7 days).
"$cli" dump "$work/links.qpp" >"$work/links.json" || fail "dump links"
python3 - "$work/links.json" <<'PY' || fail "links: a task of days without resources"
import json, sys
tasks = {t["name"]: t for t in json.load(open(sys.argv[1]))["project"]["tasks"]}
lasts = {name: (tasks[name]["durationText"], tasks[name]["milestone"]) for name in ("Permit", "Cure")}
assert lasts == {"Permit": ("24", False), "Cure": ("40", False)}, lasts
PY
"$cli" import-xml "$data/calendars.xml" -o "$work/calendars.qpp" >"$work/out" 2>"$work/err" ||
    fail "import-xml calendars: $(cat "$work/err")"
grep -q "^Imported: 3 tasks, 0 headers, 2 links, 2 resources, 4 assignments, 3 schedules" \
    "$work/out" || fail "calendars: $(cat "$work/out")"
grep -q "breaks between the working times" "$work/out" || fail "the lunch break is not noted"
"$cli" check "$work/calendars.qpp" >/dev/null 2>&1
[ $? -le 1 ] || fail "check cannot read the imported plan"
echo ok
