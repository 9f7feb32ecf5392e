#!/usr/bin/env bash
# The Windows packages under Wine. The installer, run silently, puts
# pagerook.exe in Program Files, a Start-menu shortcut with its icon and an
# "Add or remove programs" entry; the installed program runs; the silent
# uninstaller takes all of it away again and leaves the user's pictures. The
# zip holds the program, its read-me and its licence.
#   installer_test.sh <setup.exe> <portable.zip> <version>
set -euo pipefail
setup=$(realpath "$1")
zip=$(realpath "$2")
version=$3
here=$(cd "$(dirname "$0")" && pwd)
wine_run=$here/../win32/wine-run
winelib=
for dir in /usr/lib/x86_64-linux-gnu/wine/x86_64-windows /usr/lib/wine/x86_64-windows; do
  [[ -f $dir/reg.exe ]] && winelib=$dir && break
done
[[ -n $winelib ]] || { echo "no Wine reg.exe" >&2; exit 1; }
work=$(mktemp -d "${TMPDIR:-/tmp}/pagerook-setup.XXXXXX")
export PAGEROOK_WINEPREFIX=$work/prefix
trap 'WINEPREFIX=$PAGEROOK_WINEPREFIX wineserver -k 2>/dev/null || true; rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Pagerook'
drive=$PAGEROOK_WINEPREFIX/drive_c
installed=$drive/Program\ Files/Pagerook
shortcut=$drive/ProgramData/Microsoft/Windows/Start\ Menu/Programs/Pagerook.lnk
query() { "$wine_run" "$winelib/reg.exe" query "$key" /reg:64 2>/dev/null | tr -d '\r'; }

"$wine_run" "$setup" /S || fail "silent install exited with $?"
for file in pagerook.exe README.txt LICENSE.txt uninstall.exe; do
  [[ -f $installed/$file ]] || fail "not installed: $file"
done

tr -d '\r' <"$installed/LICENSE.txt" | cmp -s - "$here/../../LICENSE" || fail "the installed licence is not LICENSE"

out=$("$wine_run" "$installed/pagerook.exe" --version) || fail "installed --version exited with $?"
[[ $out == "Pagerook $version" ]] || fail "installed --version printed '$out'"

if [[ -f $shortcut ]]; then
  /usr/bin/python3 - "$shortcut" <<'PY' || fail "the shortcut"
import struct, sys
data = open(sys.argv[1], "rb").read()
flags = struct.unpack_from("<I", data, 0x14)[0]
text = data.decode("latin-1") + data.decode("utf-16-le", "replace")
problems = []
if struct.unpack_from("<I", data, 0)[0] != 0x4C:
    problems.append("not a shell link")
if not flags & 0x40:
    problems.append("no icon location")
if "Pagerook\\pagerook.exe" not in text:
    problems.append("does not name Pagerook\\pagerook.exe")
for p in problems:
    print("%s: %s" % (sys.argv[1], p), file=sys.stderr)
sys.exit(1 if problems else 0)
PY
else
  fail "no Start-menu shortcut at $shortcut"
fi

entry=$(query) || fail "no uninstall entry $key"
for value in "DisplayName.*Pagerook" "DisplayVersion.*$version" "Publisher.*Pagerook developers" \
  'DisplayIcon.*Pagerook\\pagerook.exe' 'UninstallString.*Pagerook\\uninstall.exe'; do
  grep -qE "^ +$value" <<<"$entry" || fail "uninstall entry has no $value: $entry"
done

# While Pagerook runs, neither the installer nor the uninstaller touches it:
# each ends with status 2 and says why, and the entry stays.
[[ -n ${DISPLAY:-} ]] || { echo "installer_test: needs DISPLAY from with-xvfb" >&2; exit 2; }
in_prefix() {  # runs Wine in the test's prefix and leaves its other processes alone
  WINEPREFIX=$PAGEROOK_WINEPREFIX WINEDEBUG=-all WINEARCH=win64 \
    WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d" LC_ALL=C.UTF-8 "$wine" "$@"
}
running_window() { xdotool search --name '^Pagerook$' >/dev/null 2>&1; }
wine=$(command -v wine64 || true)
[[ -n $wine ]] || wine=/usr/lib/wine/wine64
wineserver=$(command -v wineserver64 || true)
[[ -n $wineserver ]] || wineserver=/usr/lib/wine/wineserver64
in_prefix "$installed/pagerook.exe" >/dev/null 2>&1 &
running=$!
for _ in $(seq 300); do running_window && break; sleep 0.1; done
running_window || fail "the installed Pagerook showed no window"
status=0
in_prefix "$setup" /S 2>"$work/setup.err" || status=$?
[[ $status -eq 2 ]] || fail "installing over a running Pagerook exited with $status"
grep -q "Pagerook is running" "$work/setup.err" || fail "the installer said: $(cat "$work/setup.err")"
# The uninstaller hands over to a copy of itself (whose status is lost), so
# its word is awaited instead.
in_prefix "$installed/uninstall.exe" /S 2>"$work/uninstall.err"
for _ in $(seq 300); do grep -q "Pagerook is running" "$work/uninstall.err" && break; sleep 0.1; done
grep -q "Pagerook is running" "$work/uninstall.err" ||
  fail "the uninstaller said: $(cat "$work/uninstall.err")"
[[ -f $installed/pagerook.exe && -f $installed/uninstall.exe ]] ||
  fail "the uninstaller removed files of the running program: $(ls -A "$installed")"
query >/dev/null || fail "the uninstall entry went while Pagerook ran"
kill "$running" 2>/dev/null || true
wait "$running" 2>/dev/null || true
for _ in $(seq 100); do running_window || break; sleep 0.1; done
WINEPREFIX=$PAGEROOK_WINEPREFIX "$wineserver" -w 2>/dev/null || true

# The user's pictures are not the installer's to remove.
mkdir -p "$drive/截图"
echo picture >"$drive/截图/0.jpg"

# The uninstaller hands over to a copy of itself and returns at once, which
# wine-run would kill with its prefix: run it under Wine here and wait for
# the prefix's server to end, that is for every process of it.
(
  export WINEPREFIX=$PAGEROOK_WINEPREFIX WINEDEBUG=-all WINEARCH=win64
  export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
  [[ $(locale charmap 2>/dev/null) == UTF-8 ]] || export LC_ALL=C.UTF-8
  unset DISPLAY WAYLAND_DISPLAY
  "$wine" "$installed/uninstall.exe" /S
  "$wineserver" -w
) || fail "silent uninstall exited with $?"

[[ ! -e $installed ]] || fail "left in Program Files: $(ls -A "$installed")"
[[ ! -e $shortcut ]] || fail "the shortcut is left"
if query >/dev/null; then fail "the uninstall entry is left: $(query)"; fi
[[ -f $drive/截图/0.jpg ]] || fail "the uninstaller took the user's pictures"

listing=$(/usr/bin/python3 -c 'import sys, zipfile; print(" ".join(sorted(zipfile.ZipFile(sys.argv[1]).namelist())))' "$zip") ||
  fail "cannot read $zip"
[[ $listing == "LICENSE.txt README.txt pagerook.exe" ]] || fail "the zip holds: $listing"
unzip -p "$zip" pagerook.exe | cmp -s - "$(dirname "$setup")/../package-stage/pagerook.exe" ||
  fail "the zip's pagerook.exe is not the built one"
unzip -p "$zip" README.txt | grep -q "Pagerook $version" || fail "the zip's read-me has no version"
unzip -p "$zip" LICENSE.txt | tr -d '\r' | cmp -s - "$here/../../LICENSE" || fail "the zip's licence is not LICENSE"

[[ $failures -eq 0 ]] && echo "installer and zip: all checks passed"
exit $((failures > 0))
