#!/usr/bin/env bash
# The real binary on a screen that changes its size: started on a small
# screen that then grows, it reads a rectangle in the new part; when the
# screen shrinks under the running cycle until the rectangle lies outside
# it, the cycle holds (no file, no page turned) and says so in its caption
# and once on stderr; when the screen has its size back the pages go on with
# no number missing. Run inside with-xvfb at 1920x1080.
#   resized_screen_test.sh PAGEROOK RESIZE_SCREEN
set -euo pipefail
binary=$1
resize=$2
home=$(mktemp -d "$PWD/pagerook-resized.XXXXXX")
fail() { echo "resized screen: $*" >&2; exit 1; }
source "$(dirname "$0")/real_binary.sh"
trap end_test EXIT
folder="$home/截图"
[[ $screen_width == 1920 && $screen_height == 1080 ]] || fail "the screen is ${screen_width}x$screen_height"
count() { find "$folder" -maxdepth 1 -name '*.jpg' | wc -l; }
saved() { [[ -f $folder/$1.jpg ]]; }
held() { [[ $(caption) == "Pagerook "[0-9]*" ⚠ 截屏失败"* ]]; }
going() { [[ $(caption) == "Pagerook "[0-9]* && $(caption) != *"⚠"* ]]; }

show_pdf 12
"$resize" 1024x768 >/dev/null || fail "the screen could not be shrunk"
start_pagerook "$binary"
"$resize" 1920x1080 >/dev/null || fail "the screen could not be grown back"
# The rectangle: the lower right of the page, beyond 1024x768.
view_x=$(field "$doc" "Absolute upper-left X")
view_y=$(field "$doc" "Absolute upper-left Y")
left=$((view_x + 450)) top=$((view_y + 650)) right=$((view_x + 560)) bottom=$((view_y + 760))
((left > 1024 && top > 768 && bottom < screen_height)) || fail "mupdf's page stands at $view_x,$view_y"
drag_run $right $bottom $left $top
wait_for saved 1 || fail "no second page"

"$resize" 1024x768 >/dev/null || fail "the screen could not be shrunk"
wait_for held || fail "caption '$(caption)' with the rectangle off the screen"
files=$(count)
page=$(mupdf_page)
# Held over more than one page's time (1.5 s): nothing may happen. An
# absence, so a fixed time.
sleep 2
[[ $(count) -eq $files ]] || fail "$(count) files after a hold that began at $files"
[[ $(mupdf_page) -eq $page ]] || fail "the held cycle turned mupdf from page $page to $(mupdf_page)"
held || fail "caption '$(caption)' during the hold"
[[ $(wc -l <"$home/stderr") -eq 1 ]] && grep -q "the screen could not be read" "$home/stderr" ||
  fail "stderr during the hold: $(cat "$home/stderr")"

"$resize" 1920x1080 >/dev/null || fail "the screen could not be grown back"
wait_for going || fail "caption '$(caption)' with the screen back"
wait_for saved $((files + 1)) || fail "no page after the screen came back"
xdotool key Escape
wait_line "(stopped by Esc)"
last=$(($(count) - 1))
for n in $(seq 0 "$last"); do
  saved "$n" || fail "no $n.jpg among $(ls "$folder" | tr '\n' ' ')"
  [[ $(page_of "$folder/$n.jpg") -eq $((n + 1)) ]] ||
    fail "$n.jpg shows page $(page_of "$folder/$n.jpg"), not $((n + 1))"
done
[[ $(wc -l <"$home/stderr") -eq 1 ]] || fail "stderr: $(cat "$home/stderr")"
echo "resized screen: held once, $((last + 1)) pages with none missing; it said:"
cat "$home/stderr"
