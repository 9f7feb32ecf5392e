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
# Waits up to $1 seconds (a decimal) for the rest of the line, a command, to
# succeed.
wait_within() {
  local now=${EPOCHREALTIME/./} limit
  limit=$(awk -v s="$1" 'BEGIN { printf "%d", s * 1000000 }')
  local deadline=$((now + limit))
  shift
  until "$@"; do
    ((${EPOCHREALTIME/./} <= deadline)) || return 1
    sleep 0.02
  done
}
# The main window's caption as the window manager reads it, in UTF-8 whatever
# the locale.
caption() { LC_ALL=C.UTF-8 xprop -id "$wid" -notype _NET_WM_NAME | sed -n 's/^_NET_WM_NAME = "\(.*\)"$/\1/p'; }
# Shows a PDF of $1 test pages (tests/e2e/pages.py: one flat colour each) in
# mupdf at 72 dpi with the keyboard focus; sets $mupdf_pid and its window
# $doc. The test's cleanup ends $mupdf_pid. Without mupdf the test is
# skipped (77).
show_pdf() {
  command -v mupdf >/dev/null || { echo "mupdf is not installed; skipped"; exit 77; }
  local pdf=$home/pages.pdf
  /usr/bin/python3 -c "import sys; sys.path.insert(0, '$(dirname "${BASH_SOURCE[0]}")/../e2e')
import pages; open('$pdf', 'wb').write(pages.pdf_bytes($1))"
  mupdf -r 72 "$pdf" >"$home/mupdf.log" 2>&1 &
  mupdf_pid=$!
  doc=
  mupdf_window() { doc=$(xdotool search --onlyvisible --class mupdf 2>/dev/null | head -n1) && [[ -n $doc ]]; }
  wait_for mupdf_window || fail "no mupdf window"
  xdotool windowactivate --sync "$doc"
  has_focus() { [[ $(xdotool getwindowfocus) == "$doc" ]]; }
  wait_for has_focus || fail "mupdf did not get the focus"
}
# The page mupdf shows, from its title ("pages.pdf - 3/12 (72 dpi)").
mupdf_page() { xdotool getwindowname "$doc" | sed -n 's|.* - \([0-9]*\)/[0-9]* (.*|\1|p'; }
# The page a saved picture shows, by its colour; 0 when none.
page_of() { /usr/bin/python3 "$(dirname "${BASH_SOURCE[0]}")/../e2e/pages.py" page "$1"; }
# Clicks "截图" and drags from ($1, $2) to ($3, $4) over the frozen screen.
drag_run() {
  xdotool mousemove $((x + 44)) $((y + 20)) click 1
  wait_for overlay_up || fail "no overlay after a click on the button"
  xdotool mousemove "$1" "$2" mousedown 1 mousemove $((($1 + $3) / 2)) $((($2 + $4) / 2)) \
    mousemove "$3" "$4" mouseup 1
}
# An exit trap for a test whose only leftovers are the processes it started
# ($pid, $mupdf_pid and any named in $more_pids) and $home: ends them, removes
# it, and keeps the test's status.
end_test() {
  local status=$? p
  for p in ${pid:-} ${mupdf_pid:-} ${more_pids:-}; do
    kill "$p" 2>/dev/null || true
    wait "$p" 2>/dev/null || true
  done
  rm -rf "$home"
  exit "$status"
}
