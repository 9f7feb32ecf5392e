#!/usr/bin/env bash
# Two monitors side by side on one X screen (with-xvfb --monitors): the main
# window starts on the primary one, the frozen screen covers both, and a
# rectangle dragged on the second saves exactly its pixels. Run inside with-xvfb.
#   two_monitors_test.sh PAGEROOK
set -euo pipefail
binary=$1
home=$(mktemp -d "${TMPDIR:-/tmp}/pagerook-monitors.XXXXXX")
fail() { echo "two monitors: $*" >&2; exit 1; }
source "$(dirname "$0")/real_binary.sh"
trap end_test EXIT
folder="$home/截图"
saved() { [[ -f $folder/0.jpg ]]; }

[[ $(xrandr --listactivemonitors | sed -n 's/^Monitors: //p') == 2 ]] || fail "not two monitors"
show_pdf 4
# The document on the second monitor, right of the first.
xdotool windowmove --sync "$doc" $((screen_width / 2 + 100)) 60
import-im6.q16 -window root "$home/before.png"
# The second monitor is the primary one: the main window starts there.
second=$(xrandr --listactivemonitors | awk 'NR == 3 { print $NF }')
xrandr --output "$second" --primary
start_pagerook "$binary"
((x >= screen_width / 2)) || fail "the main window at x $x, not on the primary (right) monitor"
left=$((screen_width / 2 + 150)) top=150
drag_run "$left" "$top" $((left + 400)) $((top + 300))
wait_for saved || fail "nothing saved"
xdotool key Escape
wait_line "(stopped by Esc)"
size=$(identify-im6.q16 -format '%wx%h' "$folder/0.jpg")
[[ $size == 400x300 ]] || fail "0.jpg is $size, not the dragged 400x300"
convert-im6.q16 "$home/before.png" -crop "400x300+$left+$top" +repage "$home/dragged.png"
off=$(compare-im6.q16 -metric AE -fuzz 20% "$folder/0.jpg" "$home/dragged.png" null: 2>&1 || true)
((${off%% *} <= 120)) || fail "0.jpg differs from the second monitor's pixels in $off of 120000"
echo "two monitors: the frozen screen covers ${screen_width}x$screen_height; 0.jpg is the second monitor's pixels ($off differ)"
