#!/usr/bin/env bash
# The real binary under xdotool: a new run moves the old one and a note to
# the desktop's trash, Esc on the frozen screen cancels, a second instance
# points at the first and ends, the first keeps its Esc, and the main window
# leaves the rectangle of a running cycle. Run inside with-xvfb, from a
# folder on a real filesystem: the trash refuses tmpfs.
#   safety_test.sh PAGEROOK
set -euo pipefail
binary=$1
home=$(mktemp -d "$PWD/pagerook-safety.XXXXXX")
fail() { echo "safety: $*" >&2; exit 1; }
source "$(dirname "$0")/real_binary.sh"
trap end_test EXIT
overlay_gone() { ! overlay_up && framed; }
folder="$home/截图"
trash="$home/.local/share/Trash"
export HOME=$home XDG_DATA_HOME=$home/.local/share GIO_USE_VFS=local

mkdir -p "$folder"
convert-im6.q16 -size 40x30 xc:red "$folder/0.jpg"
convert-im6.q16 -size 40x30 xc:blue "$folder/1.jpg"
echo "keep me" >"$folder/notes.txt"
echo "hidden" >"$folder/.hidden"
echo "half" >"$folder/.~2.jpg.999999999.part"

start_pagerook "$binary"

# A new run: the old files go to the trash; keys on the frozen screen go
# nowhere, Esc cancels it.
xdotool mousemove $((x + 44)) $((y + 20)) click 1
wait_for overlay_up || fail "no overlay after a click on the button"
for name in 0.jpg 1.jpg notes.txt; do
  [[ -f $trash/files/$name && -f $trash/info/$name.trashinfo ]] || fail "$name is not in the trash"
done
grep -q "^keep me$" "$trash/files/notes.txt" || fail "notes.txt changed in the trash"
[[ $(ls -A "$folder") == .hidden ]] || fail "left in the folder: $(ls -A "$folder" | tr '\n' ' ')"
xdotool key a Escape
wait_for overlay_gone || fail "Esc on the frozen screen did not cancel"
[[ -z $(ls "$folder") ]] || fail "a cancelled run saved $(ls "$folder")"

# A second instance points at the first and ends, saying so.
status=0
timeout 20 "$binary" >"$home/stdout2" 2>"$home/stderr2" || status=$?
[[ $status -eq 0 ]] || fail "the second instance ended with $status"
grep -q "running already" "$home/stderr2" || fail "the second instance said: $(cat "$home/stderr2")"
kill -0 "$pid" || fail "the first instance ended"
attention() { xprop -id "$wid" _NET_WM_STATE | grep -q _NET_WM_STATE_DEMANDS_ATTENTION; }
wait_for attention || fail "the first window does not ask for attention: $(xprop -id "$wid" _NET_WM_STATE)"

# The first keeps its Esc; while its cycle runs, the main window stands
# outside the rectangle, which covers its corner.
xdotool mousemove $((x + 44)) $((y + 20)) click 1
wait_for overlay_up || fail "no overlay after the second click"
xdotool mousemove 0 0 mousedown 1 mousemove 300 200 mousemove 600 450 mouseup 1
moved_out() { [[ $(field "$wid" "Absolute upper-left X") -ge 600 || $(field "$wid" "Absolute upper-left Y") -ge 450 ]]; }
wait_for moved_out || fail "the main window stayed over the rectangle at $(field "$wid" "Absolute upper-left X"),$(field "$wid" "Absolute upper-left Y")"
xdotool key Escape
wait_line "(stopped by Esc)"
came_back() { [[ $(field "$wid" "Absolute upper-left X") -eq $x && $(field "$wid" "Absolute upper-left Y") -eq $y ]]; }
wait_for came_back || fail "the main window did not come back"
grep -v "^pagerook: Pagerook is running already" "$home/stderr" >&2 && fail "messages on standard error"
echo "safety: trash, Esc on the frozen screen, one instance, window kept out: all as meant"
