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
python3 - "$work/plain.json" "$work/links.json" <<'PY' || fail "the plans are not the files'"
import json, sys
project = json.load(open(sys.argv[1]))["project"]
tasks = {t["name"]: t for t in project["tasks"]}
keys = {t["key"]: t["name"] for t in project["tasks"]}
assert list(tasks) == ["Design", "Sketch", "Review", "Build", "Walls", "Roof", "Done"], list(tasks)
assert [keys[k] for k in tasks["Design"]["subtaskKeys"]] == ["Sketch", "Review"]
assert [keys[k] for k in tasks["Build"]["subtaskKeys"]] == ["Walls", "Roof"]
links = sorted((keys[d["predecessorKey"]], name, d["type"])
               for name, t in tasks.items() for d in t["dependencies"])
assert links == [("Build", "Done", 0), ("Design", "Build", 0), ("Sketch", "Review", 0),
                 ("Walls", "Roof", 0)], links
# The dates TaskJuggler gives, after Kestrano's own recalculation.
dates = {name: (tasks[name]["start"][5:13], tasks[name]["finish"][5:13])
         for name in ("Sketch", "Review", "Walls", "Roof")}
assert dates == {"Sketch": ("03-01 09", "03-02 17"), "Review": ("03-03 09", "03-03 17"),
                 "Walls": ("03-04 09", "03-08 17"), "Roof": ("03-09 09", "03-10 17")}, dates
resources = {r["key"]: r for r in project["resources"]}
assert sorted((r["name"], r["hourlyRate"]) for r in resources.values()) == \
    [("Ana", 5000), ("Bo", 4000)]
assigned = sorted((name, resources[a["resourceKey"]]["name"], a["percent"])
                  for name, t in tasks.items() for a in t["resourceAssignments"])
assert assigned == [("Review", "Bo", 100), ("Roof", "Bo", 100), ("Sketch", "Ana", 100),
                    ("Walls", "Ana", 100)], assigned
# Tasks of days without resources come only with their start and finish: they last the
# working time between them (Permit 5 days from a Thursday's end, Cure 7 days).
tasks = {t["name"]: t for t in json.load(open(sys.argv[2]))["project"]["tasks"]}
lasts = {name: (tasks[name]["durationText"], tasks[name]["milestone"]) for name in ("Permit", "Cure")}
assert lasts == {"Permit": ("24", False), "Cure": ("40", False)}, lasts
PY
echo ok
