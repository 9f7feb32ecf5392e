#!/usr/bin/env bash
# The real binary while another X client holds Esc: a cycle started then
# runs on and its caption says that Esc will not work; once the other client
# is gone the next ticks take Esc back, the mark goes and a real Esc stops
# the cycle. Run inside with-xvfb.
#   escape_held_test.sh PAGEROOK HOLD_ESCAPE
set -euo pipefail
binary=$1
holder=$2
home=$(mktemp -d "$PWD/pagerook-esc-held.XXXXXX")
fail() { echo "esc held: $*" >&2; exit 1; }
source "$(dirname "$0")/real_binary.sh"
trap end_test EXIT
folder="$home/截图"
marked() { [[ $(caption) == *"· Esc 无效" ]]; }
unmarked() { [[ $(caption) == "Pagerook "[0-9]* && $(caption) != *"Esc 无效"* ]]; }
saved() { [[ -f $folder/$1.jpg ]]; }

show_pdf 12
start_pagerook "$binary"
# The other client takes Esc while Pagerook has no cycle and so no grab.
"$holder" >"$home/holder" 2>&1 &
holder_pid=$!
more_pids=$holder_pid
holding() { grep -q "^holding$" "$home/holder"; }
wait_for holding || fail "the holder did not get Esc: $(cat "$home/holder")"

view_x=$(field "$doc" "Absolute upper-left X")
view_y=$(field "$doc" "Absolute upper-left Y")
drag_run $((view_x + 60)) $((view_y + 80)) $((view_x + 400)) $((view_y + 500))
wait_for marked || fail "caption '$(caption)' while another program holds Esc"
# Pages keep coming while Esc is missing.
wait_for saved 1 || fail "no second page while Esc is held elsewhere"
marked || fail "caption '$(caption)' after the second page"
[[ $(mupdf_page) -ge 2 ]] || fail "mupdf is on page $(mupdf_page)"

# A tick is 0.3 s: the mark goes within a tick or two of the holder's end.
kill "$holder_pid"
wait "$holder_pid" 2>/dev/null || true
more_pids=
wait_within 1.5 unmarked || fail "caption '$(caption)' after the holder ended"
xdotool key Escape
wait_line "(stopped by Esc)"
[[ $(grep -c "another program holds the Esc key" "$home/stderr") -eq 1 ]] ||
  fail "stderr: $(cat "$home/stderr")"
grep -v "another program holds the Esc key" "$home/stderr" >&2 && fail "more on standard error"
echo "esc held: the cycle ran on, said Esc was missing, took it back and stopped on Esc"
