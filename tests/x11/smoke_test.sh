#!/usr/bin/env bash
# The real binary under xdotool: click 截图, drag a region over a screen that
# never changes: one picture in $HOME/截图, and the cycle ends by itself;
# then a run stopped by Esc, and one ended by SIGTERM. Run inside with-xvfb.
#   smoke_test.sh PAGEROOK [SCREENSHOT.png]
set -euo pipefail
binary=$1
shot=${2:-}
home=$(mktemp -d "${TMPDIR:-/tmp}/pagerook-smoke.XXXXXX")
pid=
cleanup() {
  local status=$?
  if [[ -n $pid ]]; then
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  fi
  rm -rf "$home"
  exit "$status"
}
trap cleanup EXIT
fail() { echo "smoke: $*" >&2; exit 1; }
# Waits up to ten seconds (a busy machine) for a command to succeed.
wait_for() {
  for _ in $(seq 500); do "$@" && return 0; sleep 0.02; done
  return 1
}
field() { xwininfo -id "$1" 2>/dev/null | awk -v label="$2:" 'index($0, label) { sub(/.*: */, ""); print; exit }'; }
# Viewable, and inside the window manager's frame.
framed() { [[ $(field "$wid" "Map State") == IsViewable && $(field "$wid" "Absolute upper-left Y") -gt 0 ]]; }
# The full-screen override-redirect overlay is up; it takes the pointer
# before the server maps it for others to see.
overlay_up() {
  local child
  for child in $(xwininfo -root -children | awk '/^ +0x/ {print $1}'); do
    [[ $(field "$child" "Map State") == IsViewable && $(field "$child" "Override Redirect State") == yes &&
      $(field "$child" "Width") == "$screen_width" && $(field "$child" "Height") == "$screen_height" ]] && return 0
  done
  return 1
}
pictures_at_least() { [[ $(ls "$folder" 2>/dev/null | wc -l) -ge $1 ]]; }
screen_width=$(xwininfo -root | awk '/Width:/ {print $2}')
screen_height=$(xwininfo -root | awk '/Height:/ {print $2}')
folder="$home/截图"

HOME=$home "$binary" >"$home/stdout" 2>"$home/stderr" &
pid=$!
wid=
for _ in $(seq 100); do
  wid=$(xdotool search --onlyvisible --name '^Pagerook$' 2>/dev/null | head -n1) && [[ -n $wid ]] && break
  sleep 0.05
done
[[ -n $wid ]] || fail "no main window"
wait_for framed || fail "the main window never got its frame"
x=$(xwininfo -id "$wid" | awk '/Absolute upper-left X/ {print $4}')
y=$(xwininfo -id "$wid" | awk '/Absolute upper-left Y/ {print $4}')
[[ -n $shot ]] && import-im6.q16 -window root -crop "$((145 + 2 * x))x$((40 + y + x))+0+0" "$shot"

# Waits up to 10 s for standard output to hold a line matching $1.
wait_line() {
  for _ in $(seq 200); do
    grep -q -- "$1" "$home/stdout" && return 0
    sleep 0.05
  done
  fail "no line \"$1\" on standard output: $(cat "$home/stdout")"
}

xdotool mousemove $((x + 44)) $((y + 20)) click 1
wait_for overlay_up || fail "no overlay after a click on the button"
xdotool mousemove 700 500 mousedown 1 mousemove 500 400 mousemove 200 150 mouseup 1
# Two page turns that change nothing end the run, 3.9 s after the commit.
wait_line "^1 page saved in $folder (end of the document)\$"
[[ $(xdotool getwindowname "$wid") == "Pagerook 1 ✓" ]] || fail "caption $(xdotool getwindowname "$wid")"
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
leftovers=$(find "$folder" -name '.*' -type f | wc -l)
[[ $leftovers -eq 0 ]] || fail "temporary files left: $(ls -a "$folder" | tr '\n' ' ')"
for f in "$folder"/*.jpg; do
  identify-im6.q16 "$f" >/dev/null 2>&1 || fail "$f is not a complete JPEG"
done
echo "smoke: $count pictures, 0.jpg $size; SIGTERM left $(ls "$folder" | wc -l) complete pictures"
