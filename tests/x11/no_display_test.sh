#!/usr/bin/env bash
# Without an X server: one line that names the display tried and says how to
# get one, and exit status 1.
#   no_display_test.sh PAGEROOK
set -uo pipefail
binary=$1
fail() { echo "no_display: $*" >&2; exit 1; }
err=$(mktemp)
trap 'rm -f "$err"' EXIT

# A display number no server listens on.
for n in $(seq 500 600); do [[ -e /tmp/.X11-unix/X$n || -e /tmp/.X$n-lock ]] || break; done
DISPLAY=:$n WAYLAND_DISPLAY= timeout 20 "$binary" 2>"$err"
status=$?
[[ $status -eq 1 ]] || fail "exit status $status"
[[ $(wc -l <"$err") -eq 1 ]] || fail "not one line: $(cat "$err")"
grep -q "^pagerook: .*\":$n\".*DISPLAY" "$err" || fail "unexpected message: $(cat "$err")"

env -u DISPLAY -u WAYLAND_DISPLAY timeout 20 "$binary" 2>"$err"
status=$?
[[ $status -eq 1 ]] || fail "exit status $status without DISPLAY"
[[ $(wc -l <"$err") -eq 1 ]] || fail "not one line: $(cat "$err")"
grep -q "DISPLAY is not set" "$err" || fail "unexpected message: $(cat "$err")"
echo "no_display: $(cat "$err")"
