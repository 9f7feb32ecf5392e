#!/usr/bin/env bash
# The real binary under xdotool: click 截图, drag a region over a screen that
# never changes: one picture in $HOME/截图, and the cycle ends by itself and
# says that the document did not move;
# then a run stopped by Esc, and one ended by SIGTERM. Run inside with-xvfb.
#   smoke_test.sh PAGEROOK [SCREENSHOT.png]
set -euo pipefail
binary=$1
shot=${2:-}
home=$(mktemp -d "${TMPDIR:-/tmp}/pagerook-smoke.XXXXXX")
fail() { echo "smoke: $*" >&2; exit 1; }
source "$(dirname "$0")/real_binary.sh"
trap end_test EXIT
pictures_at_least() { [[ $(ls "$folder" 2>/dev/null | wc -l) -ge $1 ]]; }
folder="$home/截图"

start_pagerook "$binary"
[[ -n $shot ]] && import-im6.q16 -window root -crop "$((145 + 2 * x))x$((40 + y + x))+0+0" "$shot"

xdotool mousemove $((x + 44)) $((y + 20)) click 1
wait_for overlay_up || fail "no overlay after a click on the button"
xdotool mousemove 700 500 mousedown 1 mousemove 500 400 mousemove 200 150 mouseup 1
# Two page turns that change nothing end the run, 3.9 s after the commit.
wait_line "^1 page saved in $folder (the document did not move: its program may not turn pages with this key)\$"
[[ $(xdotool getwindowname "$wid") == "Pagerook 1 ⚠ 翻页键无效?" ]] || fail "caption $(xdotool getwindowname "$wid")"
[[ $(ls "$folder") == 0.jpg ]] || fail "files $(ls "$folder" | tr '\n' ' ')"
size=$(identify-im6.q16 -format '%wx%h' "$folder/0.jpg")
[[ $size == 500x350 ]] || fail "0.jpg is $size"

xdotool mousemove $((x + 44)) $((y + 20)) click 1
wait_for overlay_up || fail "no overlay after the second click"
xdotool mousemove 700 500 mousedown 1 mousemove 200 150 mouseup 1
wait_for pictures_at_least 1 || fail "the second run saved nothing"
xdotool key Escape
wait_line "^1 page saved in $folder (stopped by Esc)\$"
[[ $(xdotool getwindowname "$wid") == "Pagerook 1" ]] || fail "caption $(xdotool getwindowname "$wid")"
count=$(ls "$folder" | wc -l)
# An absence: nothing more is saved for a good many ticks.
sleep 2
[[ $(ls "$folder" | wc -l) -eq $count ]] || fail "files after Esc"
kill -0 "$pid" || fail "the program ended"
if [[ -s $home/stderr ]]; then
  cat "$home/stderr" >&2
  fail "messages on standard error"
fi

# SIGTERM in the middle of a cycle ends the program between two events: a
# status of its own, every picture complete, no temporary file left.
xdotool mousemove $((x + 44)) $((y + 20)) click 1
wait_for overlay_up || fail "no overlay after the second click"
xdotool mousemove 700 500 mousedown 1 mousemove 200 150 mouseup 1
wait_for pictures_at_least 1 || fail "the third run saved nothing"
kill -TERM "$pid"
status=0
wait "$pid" || status=$?
pid=
[[ $status -eq 143 ]] || fail "exit status $status after SIGTERM"
grep -q "stopping" "$home/stderr" || fail "no word on standard error about the signal"
wait_line "^[0-9]* pages\? saved in $folder (stopped: Pagerook closed)\$"
leftovers=$(find "$folder" -name '.*' -type f | wc -l)
[[ $leftovers -eq 0 ]] || fail "temporary files left: $(ls -a "$folder" | tr '\n' ' ')"
for f in "$folder"/*.jpg; do
  identify-im6.q16 "$f" >/dev/null 2>&1 || fail "$f is not a complete JPEG"
done
echo "smoke: $count pictures, 0.jpg $size; SIGTERM left $(ls "$folder" | wc -l) complete pictures"
