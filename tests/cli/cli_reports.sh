#!/bin/sh
# kestrano-cli report: the sample plan's four reports as CSV (quoted fields, CR LF, commas
# inside amounts turned into spaces) or as A4 pages, and refusals (exit 2, one line on
# stderr) that leave any earlier output file as it was.
cli="$1"
sample="$2"
. "$(dirname "$0")/common.sh"
export KESTRANO_NOW="2027-05-03 09:00:00"
r=$(printf '\r')

for kind in task-summary task-detail task-expense resource-expense; do
    run report "$kind" "$sample" --csv "$work/$kind.csv"
    ! grep -qv "$r\$" "$work/$kind.csv" || fail "$kind: a line does not end in CR LF"
done
head -n 1 "$work/task-summary.csv" | grep -qx "\"Name\",\"Start\",\"Finish\",\"% Complete\"$r" ||
    fail "task-summary does not start with its titles"
# 37 hours at $48.00 = $1,776.00, written with a space for the comma; sub-rows are written
# without their indentation.
grep -qxF "\"Lease signed\",\"21 April 2027\",\"21 April 2027\",\"0%\"$r" \
    "$work/task-summary.csv" || fail "task-summary: the milestone"
grep -qxF "\"Assigned Resources\"$r" "$work/task-detail.csv" || fail "task-detail: sub-rows"
grep -qxF "\"Maria Keller\",\"\$48.00\",\"\$72.00\",\"37\",\"0\",\"\$1 776.00\",\"\$0.00\",\"\$1 776.00\"$r" \
    "$work/resource-expense.csv" || fail "resource-expense: Maria"
tail -n 1 "$work/resource-expense.csv" | grep -q '^"Total","","",' || fail "resource-expense total"
tail -n 1 "$work/task-expense.csv" | grep -q '^"Total",' || fail "task-expense: the total row"

echo "earlier report" >"$work/kept.csv"
run new "$work/empty.qpp"
refusals reports
[ ! -e "$work/no-folder" ] || fail "a folder was made"
[ "$(cat "$work/kept.csv")" = "earlier report" ] || fail "a refusal changed the earlier report"

# Where this build writes PDFs.
if "$cli" report task-detail "$sample" --pdf "$work/detail.pdf" 2>"$work/err"; then
    pdfinfo "$work/detail.pdf" | grep -q "595 x 842 pts" || fail "the PDF pages are not A4"
    pdftotext "$work/detail.pdf" - | grep -q "Task Detail Report" || fail "the PDF has no title"
else
    grep -q "no PDF output" "$work/err" || fail "pdf: $(cat "$work/err")"
fi
leftover=$(ls -A "$work" | grep -v -x -e '[a-z-]*\.csv' -e err -e empty.qpp -e detail.pdf)
[ -z "$leftover" ] || fail "files were left behind: $leftover"
echo ok
