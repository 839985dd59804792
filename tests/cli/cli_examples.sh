#!/bin/sh
# The samples in examples/: each .json is the dump of its .qpp in any zone, the .qpp what
# from-json makes of it in UTC, a recalculation changes nothing (the samples cross no clock
# change) and check finds nothing; check on a plan with problems, one line each and exit 1.
cli="$1" examples="$2" data="$3"
. "$(dirname "$0")/common.sh"
# Costs to date count up to today; the samples were recalculated before their plans begin.
export KESTRANO_NOW="2026-12-06 09:00:00"
for json in "$examples"/*.json; do
    name=$(basename "$json" .json)
    run check "$examples/$name.qpp" >"$work/out"
    [ ! -s "$work/out" ] || fail "$name: check printed: $(cat "$work/out")"
    LC_ALL=C sort "$json" >"$work/sorted"
    for zone in UTC America/New_York Europe/Berlin; do
        export TZ=$zone
        run from-json "$json" -o "$work/zone.qpp"
        run dump "$work/zone.qpp" | cmp -s - "$json" || fail "$name: the JSON changes in $zone"
        if [ "$zone" = UTC ]; then
            cmp -s "$work/zone.qpp" "$examples/$name.qpp" || fail "$name: from-json differs"
            run dump "$examples/$name.qpp" | cmp -s - "$json" || fail "$name: the dump differs"
        fi
        # Every load and save turns dependency, assignment and exception lists round, so one
        # recalculation may only change their order, and a second gives back the file.
        run recalc "$work/zone.qpp" -o "$work/once.qpp"
        run dump "$work/once.qpp" | LC_ALL=C sort | cmp -s - "$work/sorted" ||
            fail "$name: recalc changes the stored plan in $zone"
        run recalc "$work/once.qpp" -o "$work/twice.qpp"
        cmp -s "$work/twice.qpp" "$work/zone.qpp" || fail "$name: two recalcs differ in $zone"
    done
done
# A plan with one of every problem (tests/data/check-plan.out lists them).
export TZ=UTC
run from-json "$data/check-plan.json" -o "$work/plan.qpp"
"$cli" check "$work/plan.qpp" >"$work/out"
[ $? -eq 1 ] || fail "check of a plan with problems did not exit 1"
diff "$data/check-plan.out" "$work/out" >&2 || fail "check printed other lines"
refusals check
echo ok
