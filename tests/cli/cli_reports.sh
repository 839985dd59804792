#!/bin/sh
# kestrano-cli report and gantt: the sample plan's four reports as CSV or A4 pages, its chart
# on one page, a three-year plan on pages a reader accepts (at most 14,400 points each way).
cli="$1" sample="$2"
. "$(dirname "$0")/common.sh"
export KESTRANO_NOW="2027-05-03 09:00:00"
# The whole reports (quoted fields, CR LF, a space for the comma in amounts, sub-rows
# without their indentation).
for kind in task-summary task-detail task-expense resource-expense; do
    run report "$kind" "$sample" --csv "$work/$kind.csv"
    cmp "$cases/report-$kind.csv" "$work/$kind.csv" >&2 || fail "$kind differs"
done
echo "earlier report" >"$work/kept.csv"
run new "$work/empty.qpp"
refusals reports
# Where this build writes PDFs: a report on A4 pages, the chart on one page.
if "$cli" report task-detail "$sample" --pdf "$work/detail.pdf" 2>"$work/err"; then
    pdfinfo "$work/detail.pdf" | grep -q "595 x 842 pts" || fail "the PDF pages are not A4"
    pdftotext "$work/detail.pdf" - | grep -q "Task Detail Report" || fail "the PDF has no title"
    run gantt "$sample" -o "$work/chart.pdf"
    pdfinfo "$work/chart.pdf" >"$work/info" || fail "pdfinfo cannot read the chart"
    grep -q '^Pages: *1$' "$work/info" && grep -q '^Title: *Orvik PDF File$' "$work/info" ||
        fail "the chart is not one page with its title: $(cat "$work/info")"
    pdftotext "$work/chart.pdf" "$work/chart.txt" || fail "pdftotext"
    has "$work/chart.txt" "Moving day" "Lease signed" "Tom Reyes" "9 May 2027"
    # Three years of days are over 21,000 points: two pages (the core tests check what
    # each page shows).
    run new "$work/long.qpp" --start 2027-01-04 --deadline 2030-01-04
    run gantt "$work/long.qpp" -o "$work/long.pdf"
    pdfinfo -f 1 -l 9 "$work/long.pdf" >"$work/info" || fail "pdfinfo cannot read the long chart"
    grep -q '^Pages: *2$' "$work/info" || fail "the long chart is not two pages"
    sed -n 's/^Page *[0-9]* size: *\([0-9.]*\) x \([0-9.]*\) pts.*/\1 \2/p' "$work/info" |
        awk '$1 > 14400 || $2 > 14400 { exit 1 } END { if (NR != 2) exit 1 }' ||
        fail "the page sizes: $(cat "$work/info")"
    # Another program holds the file locked while it writes it: here this shell, by flock.
    echo "earlier chart" >"$work/kept.pdf"
    exec 9<"$work/kept.pdf"
    flock -x -n 9 || fail "cannot lock the earlier chart"
    refusals gantt
    exec 9<&-
else
    grep -q "no PDF output" "$work/err" || fail "pdf: $(cat "$work/err")"
    expect_refusal "without PDF output" "$cli" gantt "$sample" -o "$work/chart.pdf"
fi
leftover=$(ls -A "$work" | grep -v -x -e '[a-z-]*\.csv' -e '[a-z]*\.qpp' -e '[a-z]*\.pdf' \
    -e err -e info -e chart.txt)
[ -z "$leftover" ] || fail "files were left behind: $leftover"
echo ok
