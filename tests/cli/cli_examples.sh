#!/bin/sh
# The sample projects in examples/: each .json is the dump of its .qpp, the .qpp is what
# from-json makes of the .json (in UTC: exception dates are stored as seconds since 1970),
# and the stored plan is already recalculated, so a recalculation changes nothing in it, in
# any zone (the samples cross no clock change).
cli="$1"
examples="$2"
. "$(dirname "$0")/common.sh"
# Costs to date count up to today; the samples were recalculated before their plans begin.
export KESTRANO_NOW="2026-12-06 09:00:00"

for json in "$examples"/*.json; do
    name=$(basename "$json" .json)
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
echo ok
