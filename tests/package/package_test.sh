#!/usr/bin/env bash
# The Debian package, built and unpacked into a temporary root. From there the viewer draws on the
# installed list and, given no list, prints its usage text; the menu entry and the man page pass
# Debian's checkers; the man page names every option and setting of --help; lintian finds no error.
# Usage: package_test.sh BUILD_DIR PACKAGE.deb   (PACKAGE "none": this build makes no package)
set -euo pipefail
build=$1 deb=$2
if [ "$deb" = none ]; then
  echo "skipped: the build is not configured for a package (help2man missing, or a prefix other than /usr)"
  exit 77
fi
fail() { echo "FAIL: $*" >&2; exit 1; }
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

cmake --build "$build" --target package >"$tmp/package.log" 2>&1 || { cat "$tmp/package.log"; fail "make package"; }
root=$tmp/root
dpkg-deb -x "$deb" "$root"
viewer=$root/usr/bin/tolvane
list=/usr/share/tolvane/textureList.txt  # where the package puts it; under $root here
[ -f "$root$list" ] || fail "no $list in the package"

# The installed binary draws headless on the installed list, from a folder holding no image.
mkdir "$tmp/work"
(cd "$tmp/work" && env -u DISPLAY "$viewer" --render picture.png --size 64x48 "$root$list" >log 2>&1) ||
  { cat "$tmp/work/log"; fail "--render on the installed list"; }
[[ $(pngtopam "$tmp/work/picture.png" | pamfile) == *"64 by 48 "* ]] || fail "the picture is not a 64x48 PNG"

# With no list named and none in the working folder: the usage text, status 1, no picture.
mkdir "$tmp/empty"
status=0
(cd "$tmp/empty" && env -u DISPLAY "$viewer" --render none.png >out 2>&1) || status=$?
[ "$status" = 1 ] && grep -q "Usage:" "$tmp/empty/out" && [ ! -e "$tmp/empty/none.png" ] ||
  { cat "$tmp/empty/out"; fail "no list: status $status, expected the usage text and 1"; }

"$viewer" --help >"$tmp/help"
grep -qF "$list" "$tmp/help" || fail "--help does not name $list"

# The menu entry: valid, starting the viewer on the installed list, with an icon of 256x256.
entry=$root/usr/share/applications/tolvane.desktop
validation=$(desktop-file-validate "$entry" 2>&1) || fail "desktop-file-validate: $validation"
[[ -z $validation ]] || fail "desktop-file-validate has hints: $validation"
# Desktops match the windows to the entry by their class (the viewer sets WM_CLASS "Tolvane").
grep -qx "StartupWMClass=Tolvane" "$entry" || fail "the entry's StartupWMClass is not Tolvane"
grep -qx "Exec=tolvane $list" "$entry" || fail "the entry's Exec does not name $list"
grep -qx "Icon=tolvane" "$entry" || fail "the entry's Icon is not tolvane"
[[ $(pngtopam "$root/usr/share/icons/hicolor/256x256/apps/tolvane.png" | pamfile) == *"256 by 256 "* ]] ||
  fail "no 256x256 icon"

# The man page renders without a warning and describes every option and setting of --help.
MANWIDTH=200 LC_ALL=C man --warnings --nh --nj -l "$root/usr/share/man/man1/tolvane.1.gz" \
  >"$tmp/man.txt" 2>"$tmp/man.err"
[ ! -s "$tmp/man.err" ] || { cat "$tmp/man.err"; fail "man reports warnings"; }
names=$( (grep -oE -- '--[a-z][a-z-]+' "$tmp/help"
          sed -n '/^Settings for --set/,/^$/s/^  \([A-Za-z]\+\) .*/\1/p' "$tmp/help") | sort -u)
[ "$(echo "$names" | wc -l)" -gt 20 ] || fail "too few options and settings read from --help"
# Each one heads an entry of its own (a line of its own, after the indent), not only a mention.
for name in $names; do
  grep -qE -- "^ +(-[a-z],)?$name( |$)" "$tmp/man.txt" || fail "the man page has no entry for $name"
done
# Every key of --help's key list is in the man page with what it does.
keys=$(sed -n '/^In the scene window/,$s/^  .\{12\}\(.*\)$/\1/p' "$tmp/help")
[ "$(echo "$keys" | wc -l)" -gt 10 ] || fail "too few keys read from --help"
while read -r what; do
  grep -qF -- "$what" "$tmp/man.txt" || fail "the man page does not say what a key does: $what"
done <<<"$keys"

# Debian's documentation: the licence, and a changelog whose last entry is this version.
[ -s "$root/usr/share/doc/tolvane/copyright" ] || fail "no copyright file"
version=$(dpkg-deb -f "$deb" Version)
[[ $(zcat "$root/usr/share/doc/tolvane/changelog.Debian.gz" | sed -n 1p) == "tolvane ($version) "* ]] ||
  fail "changelog.Debian.gz does not start with version $version"

status=0
lintian --fail-on error "$deb" >"$tmp/lintian" 2>&1 || status=$?
grep -v "root privileges" "$tmp/lintian" || true
[ "$status" = 0 ] || fail "lintian reports errors"
echo "ok: $(basename "$deb")"
