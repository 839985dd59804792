#!/bin/sh
# kestrano-cli report: the sample plan's four reports as CSV (quoted fields, CR LF, commas
# inside amounts turned into spaces), and refusals (exit 2, one line on stderr) that leave
# any earlier output file as it was.
set -u
cli="$1"
sample="$2"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
. "$(dirname "$0")/common.sh"
export KESTRANO_NOW="2027-05-03 09:00:00"
crlf=$(printf '\r')

for kind in task-summary task-detail task-expense resource-expense; do
    "$cli" report "$kind" "$sample" --csv "$work/$kind.csv" 2>"$work/err" ||
        fail "$kind: $(cat "$work/err")"
    [ ! -s "$work/err" ] || fail "$kind printed: $(cat "$work/err")"
    # Every line ends in CR LF.
    [ "$(grep -c "$crlf\$" "$work/$kind.csv")" -eq "$(wc -l <"$work/$kind.csv")" ] ||
        fail "$kind: a line does not end in CR LF"
done

head -c 8 "$work/task-summary.csv" | grep -q '^"Name",' || fail "task-summary does not start with its titles"
grep -qxF "\"Name\",\"Start\",\"Finish\",\"% Complete\"$crlf" "$work/task-summary.csv" ||
    fail "task-summary titles"
grep -qxF "\"Lease signed\",\"21 April 2027\",\"21 April 2027\",\"0%\"$crlf" \
    "$work/task-summary.csv" || fail "task-summary: the milestone"
grep -qxF "\"Assigned Resources\"$crlf" "$work/task-detail.csv" ||
    fail "task-detail: sub-rows are written without their indentation"
# 37 hours at $48.00 = $1,776.00, written with a space for the comma.
grep -qxF "\"Maria Keller\",\"\$48.00\",\"\$72.00\",\"37\",\"0\",\"\$1 776.00\",\"\$0.00\",\"\$1 776.00\"$crlf" \
    "$work/resource-expense.csv" || fail "resource-expense: Maria"
tail -n 1 "$work/resource-expense.csv" | grep -q '^"Total","","",' ||
    fail "resource-expense: the total row's empty rate cells"
tail -n 1 "$work/task-expense.csv" | grep -q '^"Total",' || fail "task-expense: the total row"

# Refusals never touch an earlier report.
echo "earlier report" >"$work/kept.csv"
"$cli" new "$work/empty.qpp" || fail "new"
expect_refusal "unknown report \"gantt\"" "$cli" report gantt "$sample" --csv "$work/kept.csv"
expect_refusal "is missing, locked or not" "$cli" report task-detail "$work/none.qpp" --csv "$work/kept.csv"
expect_refusal "There is no information available for this report." \
    "$cli" report task-summary "$work/empty.qpp" --csv "$work/kept.csv"
expect_refusal "There is no information available for this report." \
    "$cli" report resource-expense "$work/empty.qpp" --csv "$work/kept.csv"
expect_refusal "cannot write" "$cli" report task-summary "$sample" --csv "$work/no-folder/out.csv"
[ ! -e "$work/no-folder" ] || fail "a folder was made"
[ "$(cat "$work/kept.csv")" = "earlier report" ] || fail "a refusal changed the earlier report"

# The same report as A4 pages, where this build writes PDFs.
if "$cli" report task-detail "$sample" --pdf "$work/detail.pdf" 2>"$work/err"; then
    if command -v pdfinfo >/dev/null; then
        pdfinfo "$work/detail.pdf" | grep -q "595 x 842 pts" || fail "the PDF pages are not A4"
        pdftotext "$work/detail.pdf" - | grep -q "Task Detail Report" || fail "the PDF has no title"
    fi
    rm -f "$work/detail.pdf"
else
    grep -q "no PDF output" "$work/err" || fail "pdf: $(cat "$work/err")"
fi
expect_refusal "give a report kind, one project file and --csv OUT.csv or --pdf" \
    "$cli" report task-detail "$sample"

leftover=$(ls -A "$work" | grep -v -x -e '[a-z-]*\.csv' -e err -e empty.qpp)
[ -z "$leftover" ] || fail "files were left behind: $leftover"
echo ok
