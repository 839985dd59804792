#!/bin/sh
# kestrano-cli export-xml: the sample plan as Project XML that GNOME Planner's stylesheet
# (msp2planner.xsl, Debian's planner-data) turns into a Planner file its DTD accepts, with
# the same plan; refusals leave no file and an earlier one as it was.
cli="$1" sample="$2"
. "$(dirname "$0")/common.sh"
export KESTRANO_NOW="2027-05-03 09:00:00"
stylesheet=$(dpkg -L planner-data 2>/dev/null | grep '/msp2planner\.xsl$' | head -n 1)
dtd=$(dpkg -L planner-data 2>/dev/null | grep '/mrproject-0\.6\.dtd$' | head -n 1)
[ -r "$stylesheet" ] && [ -r "$dtd" ] && command -v xsltproc >/dev/null ||
    fail "planner-data or xsltproc is missing (scripts/install-deps.sh installs them)"
# The core tests compare the whole document; here a reader of the format takes it.
run export-xml "$sample" -o "$work/plan.xml"
xsltproc "$stylesheet" "$work/plan.xml" >"$work/planner.xml" 2>"$work/err" ||
    fail "msp2planner.xsl: $(cat "$work/err")"
xmllint --noout --dtdvalid "$dtd" "$work/planner.xml" 2>"$work/err" ||
    fail "the Planner file does not follow its DTD: $(head -n 5 "$work/err")"
# The plan as Planner reads it (tests/data/cli/export-xml-planner.out): tasks with their
# kinds, subtasks and links, resources with their rates, allocations; every link and
# allocation found its tasks and resources by UID.
python3 - "$work/planner.xml" <<'PY' | diff "$cases/export-xml-planner.out" - >&2 ||
import sys, xml.etree.ElementTree as ET
planner = ET.parse(sys.argv[1]).getroot()
tasks = {t.get("id"): t.get("name") for t in planner.iter("task")}
people = {r.get("id"): r.get("name") for r in planner.iter("resource")}
for t in planner.iter("task"):
    print(t.get("name"), t.get("type"), [s.get("name") for s in t.findall("task")],
          [(tasks[p.get("predecessor-id")], p.get("type"), p.get("lag"))
           for p in t.iterfind("predecessors/predecessor")])
for r in planner.iter("resource"):
    print(r.get("name"), r.get("std-rate"))
for a in planner.iter("allocation"):
    print(tasks[a.get("task-id")], people[a.get("resource-id")], a.get("units"))
PY
    fail "the Planner file holds another plan"
echo "earlier export" >"$work/kept.xml"
mkdir "$work/taken.xml"
refusals export-xml
echo ok
