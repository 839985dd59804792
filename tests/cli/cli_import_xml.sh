#!/bin/sh
# kestrano-cli import-xml: a hand-written Project XML file becomes a recalculated project;
# the summary lists the counts and, line by line, what was not imported as the file has it;
# a file that is not Project XML is refused with the line it fails on and writes nothing.
cli="$1"
data="$2"
. "$(dirname "$0")/common.sh"
export KESTRANO_NOW="2027-03-01 09:00:00"

run import-xml "$data/small.xml" -o "$work/kiosk.qpp" >"$work/out"
# The counts, then one line for each thing not imported as the file has it, in order
# (tests/data/cli/import-xml.out).
diff "$cases/import-xml.out" "$work/out" >&2 || fail "the summary"

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
refusals import-xml
[ ! -e "$work/no.qpp" ] || fail "a refused import wrote its output"
echo ok
