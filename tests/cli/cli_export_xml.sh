#!/bin/sh
# kestrano-cli export-xml: the sample plan as Project XML is well-formed, and a real reader
# of the format takes it: GNOME Planner's stylesheet (msp2planner.xsl, Debian's
# planner-data) turns it into a Planner file that its DTD accepts, with the same tasks in
# the same order, the same links, resources and allocations. Refusals (exit 2, one line on
# stderr) leave no file and an earlier one as it was.
cli="$1"
sample="$2"
. "$(dirname "$0")/common.sh"
export KESTRANO_NOW="2027-05-03 09:00:00"
stylesheet=$(dpkg -L planner-data 2>/dev/null | grep '/msp2planner\.xsl$' | head -n 1)
dtd=$(dpkg -L planner-data 2>/dev/null | grep '/mrproject-0\.6\.dtd$' | head -n 1)
[ -r "$stylesheet" ] && [ -r "$dtd" ] && command -v xsltproc >/dev/null ||
    fail "planner-data or xsltproc is missing (scripts/install-deps.sh installs them)"

run export-xml "$sample" -o "$work/plan.xml"
head -n 2 "$work/plan.xml" | grep -qF '<Project xmlns="http://schemas.microsoft.com/project">' ||
    fail "the root is not the format's Project element"
run export-xml "$sample" -o "$work/again.xml"
cmp -s "$work/plan.xml" "$work/again.xml" || fail "two exports of the same plan differ"
xsltproc "$stylesheet" "$work/plan.xml" >"$work/planner.xml" 2>"$work/err" ||
    fail "msp2planner.xsl: $(cat "$work/err")"
xmllint --noout --dtdvalid "$dtd" "$work/planner.xml" 2>"$work/err" ||
    fail "the Planner file does not follow its DTD: $(head -n 5 "$work/err")"

# What the plan holds, from its dump, against the Planner file; every link and allocation
# found its tasks and resources by UID, and subtasks sit under their header.
run dump "$sample" >"$work/plan.json"
python3 - "$work/plan.json" "$work/planner.xml" <<'PY' || fail "the Planner file holds another plan"
import json, sys, xml.etree.ElementTree as ET
project = json.load(open(sys.argv[1]))["project"]
planner = ET.parse(sys.argv[2]).getroot()
tasks = {t.get("name"): t for t in planner.iter("task")}
assert [t.get("name") for t in planner.iter("task")] == [t["name"] for t in project["tasks"]]
assert [r.get("name") for r in planner.iter("resource")] == [r["name"] for r in project["resources"]]
links = list(planner.iter("predecessor"))
assert len(links) == sum(len(t["dependencies"]) for t in project["tasks"])
allocations = list(planner.iter("allocation"))
assert len(allocations) == sum(len(t["resourceAssignments"]) for t in project["tasks"])
assert all(l.get("predecessor-id") for l in links)
assert all(a.get("task-id") and a.get("resource-id") for a in allocations)
assert len(tasks["Planning"].findall("task")) == 3
# Lease signed waits two calendar days after the agreement (Planner counts seconds).
lease = tasks["Lease signed"].find("predecessors/predecessor")
assert (lease.get("type"), lease.get("lag")) == ("FS", "172800"), lease.attrib
assert lease.get("predecessor-id") == tasks["Agree move date and budget"].get("id")
assert tasks["Lease signed"].get("type") == "milestone"
rates = {r.get("name"): r.get("std-rate") for r in planner.iter("resource")}
assert rates["Maria Keller"] == "48.00", rates
assert allocations[0].get("units") == "100"
PY

# Names with markup and characters XML cannot hold still give a well-formed file.
run new "$work/odd.qpp" --name "$(printf 'R&D <"move"> \001 caf\303\251')"
run export-xml "$work/odd.qpp" -o "$work/odd.xml"
[ "$(xmllint --xpath 'string(/*/*[local-name()="Title"])' "$work/odd.xml")" = \
    "$(printf 'R&D <"move">   caf\303\251')" ] || fail "the name did not survive"

# Refusals leave no file and an earlier file as it was, and nothing beside them.
echo "earlier export" >"$work/kept.xml"
mkdir "$work/taken.xml"
ls -A "$work" | grep -vx err >"$work/before"
refusals <<'END'
is missing, locked or not a Kestrano project file | export-xml "$work/none.qpp" -o "$work/kept.xml"
is missing, locked or not a Kestrano project file | export-xml "$work/none.qpp" -o "$work/new.xml"
cannot write $work/no-folder/out.xml | export-xml "$sample" -o "$work/no-folder/out.xml"
cannot write $work/taken.xml | export-xml "$sample" -o "$work/taken.xml"
give one project file and -o OUT.xml | export-xml "$sample"
unknown option --csv | export-xml "$sample" --csv "$work/new.xml"
END
[ "$(cat "$work/kept.xml")" = "earlier export" ] || fail "a refusal changed the earlier file"
ls -A "$work" | grep -vx err | diff "$work/before" - >&2 || fail "a refusal left a file behind"
echo ok
