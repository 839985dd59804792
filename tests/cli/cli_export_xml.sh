#!/bin/sh
# kestrano-cli export-xml: the sample plan as Project XML is well-formed, and a real reader
# of the format takes it: GNOME Planner's stylesheet (msp2planner.xsl, Debian's
# planner-data) turns it into a Planner file that its DTD accepts, with the same tasks in
# the same order, the same links, resources and allocations. Refusals (exit 2, one line on
# stderr) leave no file and an earlier one as it was.
set -u
cli="$1"
sample="$2"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
. "$(dirname "$0")/common.sh"
export KESTRANO_NOW="2027-05-03 09:00:00"

for tool in xmllint xsltproc python3; do
    command -v "$tool" >/dev/null || fail "$tool is missing (scripts/install-deps.sh installs it)"
done
stylesheet=$(dpkg -L planner-data 2>/dev/null | grep '/msp2planner\.xsl$' | head -n 1)
dtd=$(dpkg -L planner-data 2>/dev/null | grep '/mrproject-0\.6\.dtd$' | head -n 1)
[ -r "$stylesheet" ] && [ -r "$dtd" ] ||
    fail "planner-data is missing (scripts/install-deps.sh installs it)"

"$cli" export-xml "$sample" -o "$work/plan.xml" 2>"$work/err" || fail "export: $(cat "$work/err")"
[ ! -s "$work/err" ] || fail "export printed: $(cat "$work/err")"
xmllint --noout "$work/plan.xml" || fail "the export is not well-formed"
head -n 2 "$work/plan.xml" | grep -qF '<Project xmlns="http://schemas.microsoft.com/project">' ||
    fail "the root is not the format's Project element"
# The same plan gives the same bytes.
"$cli" export-xml "$sample" -o "$work/again.xml" || fail "second export"
cmp -s "$work/plan.xml" "$work/again.xml" || fail "two exports differ"

xsltproc "$stylesheet" "$work/plan.xml" >"$work/planner.xml" 2>"$work/err" ||
    fail "msp2planner.xsl: $(cat "$work/err")"
xmllint --noout --dtdvalid "$dtd" "$work/planner.xml" 2>"$work/err" ||
    fail "the Planner file does not follow its DTD: $(head -n 5 "$work/err")"

# What the plan holds, from its dump: task names in list order, then the counts of links,
# resources and assignments, and the resource names.
"$cli" dump "$sample" >"$work/plan.json" || fail "dump"
python3 - "$work/plan.json" >"$work/expected" <<'END' || fail "reading the dump"
import json, sys
project = json.load(open(sys.argv[1]))["project"]
for task in project["tasks"]:
    print(task["name"])
print(sum(len(t["dependencies"]) for t in project["tasks"]))
print(len(project["resources"]))
print(sum(len(t["resourceAssignments"]) for t in project["tasks"]))
for resource in project["resources"]:
    print(resource["name"])
END

# xpath EXPRESSION: its value in the Planner file, without a line end.
xpath() { printf '%s' "$(xmllint --xpath "$1" "$work/planner.xml" 2>/dev/null)"; }
tasks=$(xpath 'count(//task)')
{
    i=1
    while [ "$i" -le "$tasks" ]; do
        xpath "string((//task)[$i]/@name)"
        echo
        i=$((i + 1))
    done
    xpath 'count(//predecessor)'; echo
    resources=$(xpath 'count(//resource)')
    echo "$resources"
    xpath 'count(//allocation)'; echo
    i=1
    while [ "$i" -le "$resources" ]; do
        xpath "string((//resource)[$i]/@name)"
        echo
        i=$((i + 1))
    done
} >"$work/found"
diff "$work/expected" "$work/found" >&2 || fail "the Planner file holds another plan"

# Every link and allocation found its tasks and resources by UID.
[ "$(xpath 'count(//predecessor[@predecessor-id=""])')" -eq 0 ] || fail "a link lost its predecessor"
[ "$(xpath 'count(//allocation[@task-id="" or @resource-id=""])')" -eq 0 ] ||
    fail "an allocation lost its task or resource"
# Subtasks sit under their header.
[ "$(xpath 'count(//task[@name="Planning"]/task)')" -eq 3 ] || fail "Planning lost its subtasks"
# Lease signed waits two calendar days after the agreement (Planner counts seconds).
lease='//task[@name="Lease signed"]/predecessors/predecessor'
[ "$(xpath "string($lease/@type)")" = FS ] || fail "the lease's link type"
[ "$(xpath "string($lease/@lag)")" = 172800 ] || fail "the lease's lag: $(xpath "string($lease/@lag)")"
[ "$(xpath "string($lease/@predecessor-id)")" = \
    "$(xpath 'string(//task[@name="Agree move date and budget"]/@id)')" ] ||
    fail "the lease waits for the wrong task"
[ "$(xpath 'string(//task[@name="Lease signed"]/@type)')" = milestone ] || fail "the milestone"
[ "$(xpath 'string(//resource[@name="Maria Keller"]/@std-rate)')" = 48.00 ] || fail "Maria's rate"
[ "$(xpath 'string((//allocation)[1]/@units)')" = 100 ] || fail "a full-time allocation's units"

# Names with markup and characters XML cannot hold still give a well-formed file.
"$cli" new "$work/odd.qpp" --name "$(printf 'R&D <"move"> \001 caf\303\251')" || fail "new"
"$cli" export-xml "$work/odd.qpp" -o "$work/odd.xml" || fail "export of odd names"
xmllint --noout "$work/odd.xml" || fail "odd names broke the file"
[ "$(xmllint --xpath 'string(/*/*[local-name()="Title"])' "$work/odd.xml")" = \
    "$(printf 'R&D <"move">   caf\303\251')" ] || fail "the name did not survive"

# Refusals leave no file and an earlier file as it was, and nothing beside them.
echo "earlier export" >"$work/kept.xml"
ls -A "$work" >"$work/before"
expect_refusal "is missing, locked or not a Kestrano project file" \
    "$cli" export-xml "$work/none.qpp" -o "$work/kept.xml"
expect_refusal "is missing, locked or not a Kestrano project file" \
    "$cli" export-xml "$work/none.qpp" -o "$work/new.xml"
expect_refusal "cannot write $work/no-folder/out.xml" \
    "$cli" export-xml "$sample" -o "$work/no-folder/out.xml"
mkdir "$work/taken.xml"
expect_refusal "cannot write $work/taken.xml" "$cli" export-xml "$sample" -o "$work/taken.xml"
rmdir "$work/taken.xml"
expect_refusal "give one project file and -o OUT.xml" "$cli" export-xml "$sample"
expect_refusal "unknown option --csv" "$cli" export-xml "$sample" --csv "$work/new.xml"
[ ! -e "$work/new.xml" ] && [ ! -e "$work/no-folder" ] || fail "a refusal wrote something"
[ "$(cat "$work/kept.xml")" = "earlier export" ] || fail "a refusal changed the earlier file"
ls -A "$work" | grep -v -x -e err -e before -e after >"$work/after"
grep -v -x -e err -e before "$work/before" | diff - "$work/after" >&2 ||
    fail "a refusal left a file behind"

# An unwritable folder, where permissions hold (not for root).
if [ "$(id -u)" -ne 0 ]; then
    mkdir "$work/locked" && chmod a-w "$work/locked"
    expect_refusal "cannot write" "$cli" export-xml "$sample" -o "$work/locked/out.xml"
    [ -z "$(ls -A "$work/locked")" ] || fail "the locked folder holds a file"
fi
echo ok
