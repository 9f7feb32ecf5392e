#!/usr/bin/env bash
# Inside a Wayland session the program still runs on X11 (XWayland): it says
# so once on standard error, and in a dialog that the user dismisses and goes
# on with the main window. Run inside with-xvfb, which stands in for XWayland.
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
viewable() { xwininfo -name "$1" 2>/dev/null | grep -q IsViewable; }
wait_for() {  # seconds, command...
  local end=$((SECONDS + $1))
  shift
  until "$@"; do
    ((SECONDS < end)) || return 1
    kill -0 "$pid" 2>/dev/null || fail "the program ended: $(cat "$home/stderr")"
    sleep 0.02
  done
}

HOME=$home WAYLAND_DISPLAY=wayland-test XDG_SESSION_TYPE=wayland "$binary" 2>"$home/stderr" &
pid=$!
wait_for 10 viewable Pagerook || fail "no main window on $DISPLAY"
wait_for 10 viewable "Pagerook — Wayland" || fail "no dialog about the Wayland session"
dialog=$(xdotool search --name "Pagerook — Wayland" | head -n1)
# Dismissed with the keyboard, as a user would: the program goes on.
xdotool windowactivate --sync "$dialog" key Return
wait_for 10 eval '! viewable "Pagerook — Wayland"' || fail "Return did not dismiss the dialog"
viewable Pagerook || fail "the main window went with the dialog"
kill -0 "$pid" || fail "the program ended with the dialog"
kill -TERM "$pid"
wait "$pid"
pid=
notes=$(grep -c "XWayland" "$home/stderr")
[[ $notes -eq 1 ]] || fail "$notes lines about XWayland: $(cat "$home/stderr")"
grep "XWayland" "$home/stderr" | grep -q "$DISPLAY" || fail "the display is not named: $(cat "$home/stderr")"
echo "wayland_note: $(grep XWayland "$home/stderr"); the dialog shown and dismissed"
