#!/usr/bin/env bash
# Builds the Debian package from a configured Linux build, unpacks it into a
# throwaway root and checks what a user gets: the program answering
# --version and --help, its desktop entry, icons, metainfo and manual page,
# its licence, and a package lintian accepts without errors or warnings.
#   deb_test.sh <build dir> <version>
set -euo pipefail
build=$(realpath "$1")
version=$2
here=$(cd "$(dirname "$0")" && pwd)
app=io.github.pagerook.Pagerook
work=$(mktemp -d "${TMPDIR:-/tmp}/pagerook-deb.XXXXXX")
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

(cd "$build" && cpack -G DEB -B "$work/out" >"$work/cpack.log" 2>&1) || { cat "$work/cpack.log" >&2; exit 1; }
deb=$work/out/pagerook_${version}_amd64.deb
[[ -f $deb ]] || { fail "no $(basename "$deb") among: $(ls "$work/out")"; exit 1; }

dpkg-deb -f "$deb" Depends | grep -q 'libturbojpeg0' || fail "Depends has no libturbojpeg0: $(dpkg-deb -f "$deb" Depends)"
dpkg-deb -f "$deb" Recommends | grep -qw 'xdg-utils' || fail "Recommends has no xdg-utils: $(dpkg-deb -f "$deb" Recommends)"

root=$work/root
dpkg -x "$deb" "$root"
out=$("$root/usr/bin/pagerook" --version) || fail "--version exited with $?"
[[ $out == "Pagerook $version" ]] || fail "--version printed '$out'"
out=$("$root/usr/bin/pagerook" --help) || fail "--help exited with $?"
[[ $out == *"~/截图"* && $out == *Esc* ]] || fail "--help printed: $out"
if "$root/usr/bin/pagerook" --version >/dev/full 2>"$work/full.err"; then
  fail "--version into a full disk exited 0"
fi
grep -q '^pagerook: .*No space left on device' "$work/full.err" || fail "full disk: $(cat "$work/full.err")"
# Nothing else is taken: one line and status 2, before any display is needed.
status=0
out=$(env -u DISPLAY "$root/usr/bin/pagerook" --bogus 2>&1) || status=$?
[[ $status -eq 2 && $out == "pagerook: unknown option '--bogus'; try 'pagerook --help'" ]] ||
  fail "--bogus: status $status, printed: $out"

desktop=$root/usr/share/applications/$app.desktop
if [[ -f $desktop ]]; then
  desktop-file-validate "$desktop" >"$work/desktop.log" 2>&1 || fail "desktop-file-validate: $(cat "$work/desktop.log")"
  grep -qx "Icon=$app" "$desktop" || fail "the desktop entry's icon is not $app"
  exec=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$desktop")
  [[ -x $root/usr/bin/$exec ]] || fail "the desktop entry runs '$exec', not in /usr/bin"
else
  fail "no $desktop"
fi
/usr/bin/python3 "$here/check_icons.py" "$root/usr/share/icons/hicolor" "$app" || fail "icons"
/usr/bin/python3 "$here/icon_by_name.py" "$root/usr/share" "$app" || fail "the icon by name"

metainfo=$root/usr/share/metainfo/$app.metainfo.xml
appstreamcli validate --no-net "$metainfo" >"$work/appstream.log" 2>&1 ||
  fail "appstreamcli: $(cat "$work/appstream.log")"
grep -q '<project_license>MIT</project_license>' "$metainfo" || fail "the metainfo names no MIT licence"
copyright=$root/usr/share/doc/pagerook/copyright
grep -qx 'License: MIT' "$copyright" && grep -q '^ Permission is hereby granted' "$copyright" ||
  fail "the copyright file does not hold the MIT licence"

man=$root/usr/share/man/man1/pagerook.1.gz
page=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$man" 2>"$work/man.err") || fail "man -l exited with $?"
[[ $page == *"pagerook - save the pages"* ]] || fail "man -l rendered: ${page:0:200}"
[[ ! -s $work/man.err ]] || fail "man -l warned: $(cat "$work/man.err")"

# Informational tags are accepted; an error or a warning fails the test.
if ! lintian --fail-on error,warning --tag-display-limit 0 "$deb" >"$work/lintian.log" 2>&1; then
  fail "lintian: $(grep -v 'root privileges' "$work/lintian.log")"
fi

[[ $failures -eq 0 ]] && echo "pagerook_${version}_amd64.deb: all checks passed"
exit $((failures > 0))
