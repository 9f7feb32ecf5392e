#!/usr/bin/env bash
# Inside a Wayland session the program still runs on X11 (XWayland) and says
# so once on standard error. Run inside with-xvfb, which stands in for
# XWayland here.
#   wayland_note_test.sh PAGEROOK
set -uo pipefail
binary=$1
fail() { echo "wayland_note: $*" >&2; exit 1; }
home=$(mktemp -d "${TMPDIR:-/tmp}/pagerook-wayland.XXXXXX")
pid=
cleanup() {
  [[ -n $pid ]] && { kill "$pid" 2>/dev/null; wait "$pid" 2>/dev/null; }
  rm -rf "$home"
}
trap cleanup EXIT

HOME=$home WAYLAND_DISPLAY=wayland-test XDG_SESSION_TYPE=wayland "$binary" 2>"$home/stderr" &
pid=$!
for _ in $(seq 250); do
  xwininfo -name Pagerook 2>/dev/null | grep -q IsViewable && break
  kill -0 "$pid" 2>/dev/null || fail "the program ended: $(cat "$home/stderr")"
  sleep 0.02
done
xwininfo -name Pagerook 2>/dev/null | grep -q IsViewable || fail "no main window on $DISPLAY"
kill -TERM "$pid"
wait "$pid"
pid=
notes=$(grep -c "XWayland" "$home/stderr")
[[ $notes -eq 1 ]] || fail "$notes lines about XWayland: $(cat "$home/stderr")"
grep "XWayland" "$home/stderr" | grep -q "$DISPLAY" || fail "the display is not named: $(cat "$home/stderr")"
echo "wayland_note: $(grep XWayland "$home/stderr")"
