# Helpers for the shell tests that drive the real binary on a private X
# server, sourced by them. The test defines fail() and $home first;
# start_pagerook sets $pid, $wid and the main window's $x and $y.

# Waits up to ten seconds (a busy machine) for a command to succeed.
wait_for() {
  for _ in $(seq 500); do "$@" && return 0; sleep 0.02; done
  return 1
}
field() { xwininfo -id "$1" 2>/dev/null | awk -v label="$2:" 'index($0, label) { sub(/.*: */, ""); print; exit }'; }
# Viewable, and inside the window manager's frame.
framed() { [[ $(field "$wid" "Map State") == IsViewable && $(field "$wid" "Absolute upper-left Y") -gt 0 ]]; }
screen_width=$(xwininfo -root | awk '/Width:/ {print $2}')
screen_height=$(xwininfo -root | awk '/Height:/ {print $2}')
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
# Waits up to 10 s for standard output to hold a line matching $1.
wait_line() {
  for _ in $(seq 200); do
    grep -q -- "$1" "$home/stdout" && return 0
    sleep 0.05
  done
  fail "no line \"$1\" on standard output: $(cat "$home/stdout")"
}
# Starts PAGEROOK with HOME=$home, its output in $home/stdout and stderr, and
# waits for its framed main window.
start_pagerook() {
  HOME=$home "$1" >"$home/stdout" 2>"$home/stderr" &
  pid=$!
  wid=
  for _ in $(seq 100); do
    wid=$(xdotool search --onlyvisible --name '^Pagerook$' 2>/dev/null | head -n1) && [[ -n $wid ]] && break
    sleep 0.05
  done
  [[ -n $wid ]] || fail "no main window"
  wait_for framed || fail "the main window never got its frame"
  x=$(field "$wid" "Absolute upper-left X")
  y=$(field "$wid" "Absolute upper-left Y")
}
