#!/bin/sh
# The program installed into a scratch DESTDIR as a desktop sees it: the files of
# tests/data/install/files.txt, valid to the freedesktop.org validators, icons of their
# sizes, manual pages without a warning, a project file of its type by name and by its
# first bytes, opened by the menu entry.
build="$1"
examples="$2"
. "$(dirname "$0")/../cli/common.sh"

id=io.github.kestrano.Kestrano
DESTDIR="$work/root" cmake --install "$build" --prefix /usr >"$work/log" 2>&1 ||
    fail "install: $(cat "$work/log")"
usr="$work/root/usr"

while read -r file; do
    [ -f "$usr/$file" ] || fail "$file is not installed"
done <"$(dirname "$0")/../data/install/files.txt"
[ -x "$usr/bin/kestrano" ] && [ -x "$usr/bin/kestrano-cli" ] || fail "the programs cannot run"
"$usr/bin/kestrano-cli" dump "$usr/share/doc/kestrano/examples/office-move.qpp" >/dev/null ||
    fail "the installed kestrano-cli cannot read the installed sample"

# quiet COMMAND...: succeeds without a word (an error or warning) on either stream.
quiet() { "$@" >"$work/out" 2>&1 && [ ! -s "$work/out" ] || fail "$*: $(cat "$work/out")"; }
quiet desktop-file-validate "$usr/share/applications/$id.desktop"
appstreamcli validate --no-net --explain "$usr/share/metainfo/$id.metainfo.xml" >"$work/out" 2>&1 &&
    ! grep -q '^[EW]:' "$work/out" || fail "appstreamcli: $(cat "$work/out")"
quiet xmllint --noout "$usr/share/mime/packages/$id.xml" "$usr/share/metainfo/$id.metainfo.xml" \
    "$usr/share/icons/hicolor/scalable/apps/$id.svg"

# Each PNG is the size its folder names (the width and height of the PNG header).
for size in 16 32 48 64 128 256; do
    dims=$(od -An -tu1 -j16 -N8 "$usr/share/icons/hicolor/${size}x${size}/apps/$id.png" | awk '{ print $1*16777216+$2*65536+$3*256+$4 "x" $5*16777216+$6*65536+$7*256+$8 }')
    [ "$dims" = "${size}x${size}" ] || fail "the $size px icon is $dims"
done

for page in kestrano kestrano-cli; do
    LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l "$usr/share/man/man1/$page.1.gz" \
        >"$work/out" 2>"$work/err" && [ ! -s "$work/err" ] || fail "man $page: $(cat "$work/err")"
    grep -q "$page" "$work/out" || fail "man $page shows nothing"
done

# The MIME database of the installed tree alone (with the system's for the parent types):
# a project by its name, and a renamed one by the magic of its first bytes.
update-mime-database "$usr/share/mime" >"$work/out" 2>&1 || fail "update-mime-database: $(cat "$work/out")"
type_of() {
    XDG_DATA_HOME="$work/home" XDG_DATA_DIRS="$usr/share:/usr/share" \
        gio info -a standard::content-type "$1" | sed -n 's/^ *standard::content-type: //p'
}
for file in plan.qpp plan-renamed; do
    cp "$examples/office-move.qpp" "$work/$file"
    [ "$(type_of "$work/$file")" = application/x-kestrano-project ] || fail "$file: $(type_of "$work/$file")"
done
printf 'lsdf is not enough\n' >"$work/not-a-plan"
[ "$(type_of "$work/not-a-plan")" != application/x-kestrano-project ] || fail "a text starting with lsdf is a project"

# The menu entry is what opens the type.
quiet update-desktop-database "$usr/share/applications"
grep -q "^application/x-kestrano-project=.*$id.desktop" "$usr/share/applications/mimeinfo.cache" ||
    fail "the menu entry does not open project files"
echo ok
