#!/bin/sh
# kestrano-cli gantt: the sample plan as a one-page PDF with its task names as text, a
# three-year plan on pages a reader accepts (at most 14,400 points each way), each with
# its dates, and refusals (exit 2, one line on stderr) that leave any earlier output file
# as it was.
cli="$1"
sample="$2"
. "$(dirname "$0")/common.sh"

KESTRANO_NOW="2027-05-03 09:00:00" "$cli" gantt "$sample" -o "$work/chart.pdf" || fail "gantt"
pdfinfo "$work/chart.pdf" >"$work/info" || fail "pdfinfo cannot read the chart"
grep -q '^Pages: *1$' "$work/info" && grep -q '^Title: *Orvik PDF File$' "$work/info" ||
    fail "the chart is not one page with its title: $(cat "$work/info")"
pdftotext "$work/chart.pdf" "$work/chart.txt" || fail "pdftotext"
has "$work/chart.txt" "Moving day" "Lease signed" "Tom Reyes" "9 May 2027"

# Three years of days are over 21,000 points: two pages, left then right, each with the
# dates of its own weeks in its strip.
run new "$work/long.qpp" --start 2027-01-04 --deadline 2030-01-04
run gantt "$work/long.qpp" -o "$work/long.pdf"
pdfinfo -f 1 -l 9 "$work/long.pdf" >"$work/info" || fail "pdfinfo cannot read the long chart"
grep -q '^Pages: *2$' "$work/info" || fail "the long chart is not two pages"
sed -n 's/^Page *[0-9]* size: *\([0-9.]*\) x \([0-9.]*\) pts.*/\1 \2/p' "$work/info" |
    awk '$1 > 14400 || $2 > 14400 { exit 1 } END { if (NR != 2) exit 1 }' ||
    fail "the page sizes: $(cat "$work/info")"
pdftotext -f 1 -l 1 "$work/long.pdf" - | grep -q "January 2027" || fail "page 1 lacks its dates"
pdftotext -f 2 -l 2 "$work/long.pdf" - >"$work/page2"
grep -q "December 2029" "$work/page2" && ! grep -q 2027 "$work/page2" || fail "page 2's dates"
rm -f "$work/long.qpp" "$work/long.pdf" "$work/page2"

# Another program holds the file locked while it writes it: here this shell, through the
# lock that flock takes on the shell's own descriptor and that lasts until it is closed.
echo "earlier chart" >"$work/kept.pdf"
exec 9<"$work/kept.pdf"
flock -x -n 9 || fail "cannot lock the earlier chart"
refusals gantt
exec 9<&-
[ "$(cat "$work/kept.pdf")" = "earlier chart" ] || fail "a refusal changed the earlier chart"
leftover=$(ls -A "$work" | grep -v -x -e chart.pdf -e chart.txt -e err -e info -e kept.pdf)
[ -z "$leftover" ] || fail "files were left behind: $leftover"
echo ok
