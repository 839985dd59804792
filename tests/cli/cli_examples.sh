#!/bin/sh
# The sample projects in examples/: each .json is the dump of its .qpp, the .qpp is what
# from-json makes of the .json, and the stored plan is already recalculated, so a
# recalculation changes nothing in it.
#
# The .qpp files are written in UTC: exception dates are stored as seconds since 1970, so
# from-json gives other bytes in other zones. The JSON text itself is the same in every
# zone, and so is the recalculated plan (the samples cross no clock change).
set -u
cli="$1"
examples="$2"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

# Costs to date count up to today; the samples were recalculated before their plans begin.
KESTRANO_NOW="2026-12-06 09:00:00"
export KESTRANO_NOW

found=0
for json in "$examples"/*.json; do
    [ -e "$json" ] || continue
    found=$((found + 1))
    name=$(basename "$json" .json)
    qpp="$examples/$name.qpp"
    [ -f "$qpp" ] || fail "$name: no $name.qpp beside $name.json"

    # The .qpp is exactly what from-json makes of the .json, and dumps back to it.
    TZ=UTC "$cli" from-json "$json" -o "$work/$name.qpp" || fail "$name: from-json"
    cmp -s "$work/$name.qpp" "$qpp" || fail "$name: from-json differs from $name.qpp"
    TZ=UTC "$cli" dump "$qpp" >"$work/$name.dump" || fail "$name: dump"
    cmp -s "$work/$name.dump" "$json" || fail "$name: dump of $name.qpp differs from $name.json"

    for zone in UTC America/New_York Europe/Berlin; do
        TZ=$zone "$cli" from-json "$json" -o "$work/zone.qpp" || fail "$name: from-json in $zone"
        TZ=$zone "$cli" dump "$work/zone.qpp" >"$work/zone.json" || fail "$name: dump in $zone"
        cmp -s "$work/zone.json" "$json" || fail "$name: the JSON does not come back in $zone"

        # Every load and save turns dependency, assignment and exception lists round, so
        # one recalculation may only change their order ...
        TZ=$zone "$cli" recalc "$work/zone.qpp" -o "$work/once.qpp" || fail "$name: recalc in $zone"
        TZ=$zone "$cli" dump "$work/once.qpp" >"$work/once.json" ||
            fail "$name: dump after recalc in $zone"
        LC_ALL=C sort "$json" >"$work/expected.sorted"
        LC_ALL=C sort "$work/once.json" | cmp -s "$work/expected.sorted" - ||
            fail "$name: recalc changes the stored plan in $zone"
        # ... and a second one gives back the file, byte for byte.
        TZ=$zone "$cli" recalc "$work/once.qpp" -o "$work/twice.qpp" ||
            fail "$name: second recalc in $zone"
        cmp -s "$work/twice.qpp" "$work/zone.qpp" ||
            fail "$name: two recalculations do not give back the file in $zone"
        TZ=$zone "$cli" dump "$work/twice.qpp" >"$work/twice.json" ||
            fail "$name: dump after two recalcs in $zone"
        cmp -s "$work/twice.json" "$json" || fail "$name: recalculated plan differs in $zone"
    done
done
[ "$found" -gt 0 ] || fail "no sample projects in $examples"
echo ok
