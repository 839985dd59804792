#!/bin/sh
# kestrano-cli import-xml: a hand-written Project XML file becomes a recalculated project;
# the summary lists the counts and, line by line, what was not imported as the file has it;
# a file that is not Project XML is refused with the line it fails on and writes nothing.
cli="$1"
data="$2"
. "$(dirname "$0")/common.sh"
export KESTRANO_NOW="2027-03-01 09:00:00"

run import-xml "$data/small.xml" -o "$work/kiosk.qpp" >"$work/out"
# The counts, then one line for each thing not imported as the file has it, in order.
diff - "$work/out" <<'END' || fail "the summary"
Imported: 8 tasks, 2 headers, 8 links, 2 resources, 5 assignments, 3 schedules, 3 exceptions
Not imported as the file has it:
line 16: calendar "Standard": the breaks between the working times of Mon are folded in: each day is one shift from its first working time, as long as the working times together
line 102: task "Foundations": the link from "Plans approved" to "Foundations" (between headers "Design" and "Build"): already linked; not imported again
line 103: task "Frame": a summary task at outline level 2 is not kept (the planner has one level of headers); its 2 tasks belong to header "Build" and take over its links
line 111: task "Paint": a lead of 1 day; the planner has no negative lags, so it is 0
line 123: resource "Concrete": a material resource, which the planner does not have; not imported, nor its 1 assignment
line 130: assignment to task "Design": summary tasks book no resources in the planner; not imported
line 132: assignment to task "Paint": 150 percent of the resource's time is outside 0 to 100; 100 is kept
rates per day are converted at 8 hours a day
1 blank row of tasks or resources skipped
1 link lag in working time converted to calendar days at 480 minutes a day
END

# The plan was recalculated and has nothing to report.
run check "$work/kiosk.qpp"
run dump "$work/kiosk.qpp" >"$work/kiosk.json"
has "$work/kiosk.json" '"name": "Harbour Kiosk"' '"date": "2027-05-03 12:00:00"'
field "$work/kiosk.json" Design isHeader true
field "$work/kiosk.json" Walls durationText '"40"'
# Start No Earlier Than the 17th: Paint may start on the 17th.
field "$work/kiosk.json" Paint start '"2027-05-17 00:00:00"'
field "$work/kiosk.json" Rita hourlyRate 4800
field "$work/kiosk.json" Sam hourlyRate 5000

# What the file holds is refused with its line (the core tests list the refusals).
printf '<Project xmlns="http://schemas.microsoft.com/project">\n<Tasks>\n</Project>\n' >"$work/bad.xml"
refusals <<'END'
bad.xml: line 3: the end tag </Project> does not match <Tasks> of line 2 | import-xml "$work/bad.xml" -o "$work/no.qpp"
The file could not be found. | import-xml "$work/none.xml" -o "$work/no.qpp"
give FILE.xml -o OUT.qpp | import-xml "$work/bad.xml"
END
[ ! -e "$work/no.qpp" ] || fail "a refused import wrote its output"
echo ok
