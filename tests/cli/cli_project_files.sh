#!/bin/sh
# kestrano-cli new, dump and from-json: JSON written by dump comes back unchanged through a
# project file, in any time zone, and bad input is refused with exit 2, one line on stderr
# and no output file.
set -u
cli="$1"
fixture="$2"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
. "$(dirname "$0")/common.sh"

for zone in UTC America/New_York Europe/Berlin; do
    TZ=$zone "$cli" from-json "$fixture" -o "$work/harbour.qpp" || fail "from-json in $zone"
    TZ=$zone "$cli" dump "$work/harbour.qpp" >"$work/dumped.json" || fail "dump in $zone"
    cmp -s "$fixture" "$work/dumped.json" || fail "dump differs from its input in $zone"
done

KESTRANO_NOW="2026-12-06 09:00:00" "$cli" new "$work/new.qpp" --name " Quay " \
    --start 2027-01-04 --deadline 2027-03-31 || fail "new"
"$cli" dump "$work/new.qpp" >"$work/new.json" || fail "dump of new"
grep -q '"name": "Quay"' "$work/new.json" || fail "new: name"
grep -q '"projectStart": "2027-01-04"' "$work/new.json" || fail "new: start"
grep -q '"projectDeadline": "2027-03-31"' "$work/new.json" || fail "new: deadline"
grep -q '"name": "Default Schedule"' "$work/new.json" || fail "new: default schedule"

expect_refusal "must follow the project start" \
    "$cli" new "$work/late.qpp" --start 2027-05-01 --deadline 2027-04-30
expect_refusal "not a date" "$cli" new "$work/late.qpp" --start 2027-02-30
expect_refusal "Please enter a name" "$cli" new "$work/late.qpp" --name "   "
expect_refusal "unknown option" "$cli" new "$work/late.qpp" --colour red
[ ! -e "$work/late.qpp" ] || fail "a refused new left a file"

# recalc: two tasks in a row on the default calendar, from Monday 1 March 2027.
cat >"$work/plan.json" <<'JSON'
{"project": {"name": "Plan", "lastKey": 2, "defaultScheduleKey": 0,
  "projectStart": "2027-03-01", "projectFinish": "2027-03-01", "projectDeadline": "2027-03-31",
  "tasks": [{"name": "Dig", "durationText": "16", "id": 1, "key": 1},
            {"name": "Pour", "durationText": "8", "id": 2, "key": 2,
             "dependencies": [{"predecessorKey": 1, "type": 0, "lag": 0}]}],
  "schedules": [{"name": "Default Schedule", "id": 1, "key": 0,
                 "shiftDuration": [0, 28800, 28800, 28800, 28800, 28800, 0],
                 "shiftStart": [28800, 28800, 28800, 28800, 28800, 28800, 28800]}]}}
JSON
"$cli" from-json "$work/plan.json" -o "$work/plan.qpp" || fail "from-json of the plan"
"$cli" recalc "$work/plan.qpp" -o "$work/planned.qpp" || fail "recalc"
"$cli" dump "$work/planned.qpp" >"$work/planned.json" || fail "dump of the recalculated plan"
grep -q '"projectFinish": "2027-03-03"' "$work/planned.json" || fail "recalc: project finish"
grep -q '"finish": "2027-03-03 16:00:00"' "$work/planned.json" || fail "recalc: Pour's finish"
grep -q '"displayStart": "2027-03-01 08:00:00"' "$work/planned.json" || fail "recalc: display start"
"$cli" recalc "$work/plan.qpp" || fail "recalc in place"
cmp -s "$work/plan.qpp" "$work/planned.qpp" || fail "recalc in place wrote something else"
expect_refusal "not a Kestrano project file" "$cli" recalc "$work/plan.json"

printf 'not a project' >"$work/text.qpp"
expect_refusal "not a Kestrano project file" "$cli" dump "$work/text.qpp"
expect_refusal "missing" "$cli" dump "$work/absent.qpp"

printf '{"project": {"tasks": [{"name": 7}]}}' >"$work/bad-type.json"
expect_refusal "project.tasks[0].name" "$cli" from-json "$work/bad-type.json" -o "$work/out.qpp"
printf '{"project": ' >"$work/broken.json"
expect_refusal "broken.json" "$cli" from-json "$work/broken.json" -o "$work/out.qpp"
printf '{"project": {"tasks": [{"start": "soon"}]}}' >"$work/bad-date.json"
expect_refusal "not a date-time" "$cli" from-json "$work/bad-date.json" -o "$work/out.qpp"
[ ! -e "$work/out.qpp" ] || fail "a refused from-json left a file"
expect_refusal "-o OUT.qpp" "$cli" from-json "$fixture"
echo ok
