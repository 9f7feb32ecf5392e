#!/usr/bin/env bash
# The real binary with its capture folder on a full filesystem (a small
# tmpfs mounted on it, which needs root): the first save fails, the cycle
# holds and says why, once; when space is freed the page is saved after all.
# Exits 77 (skipped) where mounting is not allowed. Run inside with-xvfb.
#   full_disk_test.sh PAGEROOK
set -euo pipefail
binary=$1
home=$(mktemp -d "$PWD/pagerook-full.XXXXXX")
folder="$home/截图"
pid=
mounted=
cleanup() {
  local status=$?
  if [[ -n $pid ]]; then
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  fi
  [[ -n $mounted ]] && umount "$folder"
  rm -rf "$home"
  exit "$status"
}
trap cleanup EXIT
fail() { echo "full disk: $*" >&2; exit 1; }
source "$(dirname "$0")/real_binary.sh"
mkdir -p "$folder"
if ! mount -t tmpfs -o size=256k tmpfs "$folder" 2>/dev/null; then
  echo "full disk: mounting a tmpfs is not allowed here; skipped"
  exit 77
fi
mounted=1
# A hidden file takes all the space; a new run leaves hidden files alone.
dd if=/dev/zero of="$folder/.filler" bs=4k 2>/dev/null || true
caption_is() { [[ $(xdotool getwindowname "$wid") == "$1" ]]; }

start_pagerook "$binary"
xdotool mousemove $((x + 44)) $((y + 20)) click 1
wait_for overlay_up || fail "no overlay after a click on the button"
xdotool mousemove 700 500 mousedown 1 mousemove 500 400 mousemove 300 250 mouseup 1
wait_for caption_is "Pagerook 0 ⚠ 磁盘已满" || fail "caption '$(xdotool getwindowname "$wid")'"
[[ -z $(ls "$folder") ]] || fail "a file on a full disk: $(ls "$folder")"
# Held for several ticks (300 ms each): still one line. An absence, so a
# fixed time.
sleep 2
[[ $(grep -c "No space left on device" "$home/stderr") -eq 1 ]] || fail "stderr: $(cat "$home/stderr")"
rm "$folder/.filler"
saved() { [[ -f $folder/0.jpg ]]; }
wait_for saved || fail "nothing saved after space was freed"
wait_for caption_is "Pagerook 1" || wait_for caption_is "Pagerook 1 ✓" ||
  fail "caption '$(xdotool getwindowname "$wid")' after the save"
identify-im6.q16 "$folder/0.jpg" >/dev/null || fail "0.jpg is not a complete JPEG"
[[ $(wc -l <"$home/stderr") -eq 1 ]] || fail "stderr: $(cat "$home/stderr")"
grep -q "$folder" "$home/stderr" || fail "the line does not name the folder: $(cat "$home/stderr")"
echo "full disk: held with one line on stderr, saved once space was freed"
