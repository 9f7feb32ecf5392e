#!/usr/bin/env bash
# The real binary over a document in the top-left corner, where the main
# window stands: a rectangle dragged over that corner gives pages in which
# the main window's place shows the document's own pixels, never ours.
# Run inside with-xvfb.
#   own_window_test.sh PAGEROOK
set -euo pipefail
binary=$1
home=$(mktemp -d "$PWD/pagerook-own-window.XXXXXX")
fail() { echo "own window: $*" >&2; exit 1; }
source "$(dirname "$0")/real_binary.sh"
trap end_test EXIT
folder="$home/截图"
pages=4
width=540 height=420
saved() { [[ -f $folder/$1.jpg ]]; }
# Crops WxH+X+Y out of a picture file, or out of the screen for "root".
crop() {
  if [[ $1 == root ]]; then
    import-im6.q16 -window root -crop "$2" +repage "$3"
  else
    convert-im6.q16 "$1" -crop "$2" +repage "$3"
  fi
}
# How many pixels of two pictures differ by more than a JPEG's noise.
differing() { compare-im6.q16 -metric AE -fuzz 20% "$1" "$2" null: 2>&1 || true; }

show_pdf 12
xdotool windowmove --sync "$doc" 0 0
# The document's own pixels in the corner, page by page, before Pagerook
# is there.
shows() { [[ $(mupdf_page) -eq $1 ]] && crop root "${width}x$height+0+0" "$home/ref-$1.png" &&
  [[ $(page_of "$home/ref-$1.png") -eq $1 ]]; }
for page in $(seq 1 $((pages + 1))); do
  ((page == 1)) || xdotool key --window "$doc" Next
  wait_for shows "$page" || fail "mupdf does not show page $page"
done
for page in $(seq "$pages" -1 1); do
  xdotool key --window "$doc" Prior
  wait_for shows "$page" || fail "mupdf does not go back to page $page"
done

start_pagerook "$binary"
# The whole window with its frame, as it covers the document.
read -r left right top bottom < <(xprop -id "$wid" _NET_FRAME_EXTENTS | sed 's/.*= //; s/,//g')
[[ -n $bottom ]] || fail "the window manager gives no frame extents"
frame_x=$((x - left)) frame_y=$((y - top))
frame_w=$(($(field "$wid" Width) + left + right)) frame_h=$(($(field "$wid" Height) + top + bottom))
((frame_x >= 0 && frame_y >= 0 && frame_x + frame_w <= width && frame_y + frame_h <= height)) ||
  fail "the main window stands at ${frame_w}x$frame_h+$frame_x+$frame_y, outside the corner"
place="${frame_w}x$frame_h+$frame_x+$frame_y"
# Our window is there to be seen, so the check below can fail.
crop root "$place" "$home/ours.png"
crop "$home/ref-1.png" "$place" "$home/theirs-1.png"
echo "own window: our window differs from page 1 in $(differing "$home/ours.png" "$home/theirs-1.png") pixels"
[[ $(differing "$home/ours.png" "$home/theirs-1.png") -gt $((frame_w * frame_h / 2)) ]] ||
  fail "the main window looks like the document: $(differing "$home/ours.png" "$home/theirs-1.png")"

drag_run 0 0 "$width" "$height"
wait_for saved $((pages - 1)) || fail "not $pages pages"
xdotool key Escape
wait_line "(stopped by Esc)"
for n in $(seq 0 $((pages - 1))); do
  crop "$folder/$n.jpg" "$place" "$home/page-$n.png"
  crop "$home/ref-$((n + 1)).png" "$place" "$home/theirs-$n.png"
  off=$(differing "$home/page-$n.png" "$home/theirs-$n.png")
  echo "own window: $n.jpg differs from page $((n + 1)) in $off of $((frame_w * frame_h)) pixels at $place"
  [[ $off -le $((frame_w * frame_h / 100)) ]] ||
    fail "$n.jpg differs from page $((n + 1)) in $off pixels where the main window stood"
done
[[ ! -s $home/stderr ]] || fail "stderr: $(cat "$home/stderr")"
echo "own window: $pages pages show the document where the main window stood"
