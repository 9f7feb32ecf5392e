#!/usr/bin/env bash
# The Wayland backend's copies, change reports and keys against a headless
# sway, checked by independent tools (grim, a terminal's own echo of what it
# was typed): run inside with-sway, with the probe's path as $1.
set -euo pipefail
probe=$1
for tool in foot grim swaymsg; do
  command -v $tool >/dev/null || { echo "$tool is not installed; skipped"; exit 77; }
done
work=$(mktemp -d)
chmod 0755 "$work"  # the programs sway starts run as sway's user
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
# Waits up to 5 s for a command to succeed.
wait_for() {
  local deadline=$((SECONDS + 5))
  until "$@"; do
    ((SECONDS < deadline)) || return 1
    sleep 0.05
  done
}
has_window() { swaymsg -t get_tree | grep -q "\"app_id\": \"$1\""; }
differs() { ! cmp -s "$1" "$2"; }
same_picture() {  # JPEG against PNG: equal but for the encoding's loss
  local rmse
  rmse=$(compare-im6.q16 -metric RMSE "$1" "$2" null: 2>&1 | sed 's/.*(\(.*\))/\1/')
  awk -v r="$rmse" 'BEGIN { exit !(r < 0.02) }' || { echo "RMSE $rmse" >&2; return 1; }
}
size_of() { identify-im6.q16 -format '%wx%h' "$1"; }

"$probe" outputs | grep -qx '1280x800 scale 1' || fail "outputs: $("$probe" outputs)"

# Keys: one keyboard kept for the whole check, as in the program; a terminal
# shows exactly what reached it (modifiers and Shift levels included).
mkfifo "$work/keys"
"$probe" keys <"$work/keys" &
keys_pid=$!
exec 3>"$work/keys"
trap 'exec 3>&-; kill $keys_pid 2>/dev/null || true; rm -rf "$work"' EXIT
install -m 0666 /dev/null "$work/typed"
swaymsg exec "foot --app-id typed sh -c 'stty -echo; cat -v >$work/typed'" >/dev/null
wait_for has_window typed || fail "foot did not start"
printf '%s\n' Ctrl+Home A b PageDown Enter >&3
wait_for grep -q . "$work/typed" || fail "no keys reached the terminal"
[[ $(cat "$work/typed") == '^[[1;5HAb^[[6~' ]] || fail "typed: $(cat -A "$work/typed")"
swaymsg '[app_id=typed] kill' >/dev/null

# A page turn: the change report covers the document, the copy changes.
seq 1 3000 >"$work/lines"
swaymsg exec "foot --app-id document less $work/lines" >/dev/null
wait_for has_window document || fail "the document did not start"
# The document drawn and still: two copies a moment apart are the same.
settled() {
  "$probe" copy 0 0 640 400 "$work/still1.jpg" >/dev/null && sleep 0.2 &&
    "$probe" copy 0 0 640 400 "$work/still2.jpg" >/dev/null &&
    cmp -s "$work/still1.jpg" "$work/still2.jpg" &&
    (($(identify-im6.q16 -format '%k' "$work/still1.jpg") > 8))
}
# Region copies at scales 1 and 2 are grim's pictures of the same region
# (grim speaks logical pixels: the region's logical box, cropped).
for scale in 1 2; do
  swaymsg output HEADLESS-1 scale $scale >/dev/null
  wait_for sh -c "'$probe' outputs | grep -qx '1280x800 scale $scale'" || fail "scale $scale"
  wait_for settled || fail "the document did not settle at scale $scale"
  for region in "0 0 640 400" "11 21 300 201"; do
    read -r x y w h <<<"$region"
    "$probe" copy $x $y $w $h "$work/ours.jpg" >/dev/null
    lx=$((x / scale)) ly=$((y / scale))
    lw=$(((x + w + scale - 1) / scale - lx)) lh=$(((y + h + scale - 1) / scale - ly))
    grim -g "$lx,$ly ${lw}x$lh" "$work/box.png"
    convert-im6.q16 "$work/box.png" -crop "${w}x$h+$((x - lx * scale))+$((y - ly * scale))" \
      +repage "$work/grim.png"
    [[ $(size_of "$work/ours.jpg") == "${w}x${h}" ]] || fail "scale $scale: $(size_of "$work/ours.jpg")"
    same_picture "$work/ours.jpg" "$work/grim.png" || fail "scale $scale, region $region"
  done
done
swaymsg output HEADLESS-1 scale 1 >/dev/null
wait_for settled || fail "the document did not settle"

"$probe" copy 0 0 200 100 "$work/before.jpg" >/dev/null
"$probe" changes 2000 >"$work/changes" &
changes_pid=$!
wait_for grep -qx armed "$work/changes" || fail "the change watch did not start"
echo PageDown >&3
turned() { "$probe" copy 0 0 200 100 "$work/after.jpg" >/dev/null && differs "$work/before.jpg" "$work/after.jpg"; }
wait_for turned || fail "Page Down did not turn the page"
wait "$changes_pid"
grep -qx '0,0 1280x800' "$work/changes" || fail "changes: $(cat "$work/changes")"
echo "ok"
