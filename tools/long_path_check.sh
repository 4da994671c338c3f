#!/usr/bin/env bash
# Drives the real program under a virtual X server with a long path queued, the way a user
# would: "Add MSG File(s)" with a file deep in a folder tree, then "Start Converting" on a
# file that is no message. Prints the titles the window system got and saves pictures of
# the window (list row, progress bar) and of the failure box into <output-folder>.
# Usage: tools/long_path_check.sh <output-folder> [build-folder]
set -euo pipefail
out=${1:?usage: tools/long_path_check.sh <output-folder> [build-folder]}
root="$(cd "$(dirname "$0")/.." && pwd)"
build=${2:-$root/build}
exe="$build/app/lorvane"
[ -x "$exe" ] || { echo "long_path_check: $exe not built" >&2; exit 1; }
source "$root/tools/virtual_display.sh"
install_missing_tools Xvfb:xvfb xdotool:xdotool import:imagemagick xprop:x11-utils xwininfo:x11-utils
mkdir -p "$out"

start_virtual_display
# A file that is no message, deep in a tree: its conversion fails, so the failure box shows.
deep="$HOME/Mail archive"
for level in 1 2 3 4 5 6; do deep="$deep/Correspondence with suppliers and customers $level"; done
mkdir -p "$deep"
file="$deep/Re: Quarterly figures for the board meeting, final version with corrections.msg"
echo "not a message" >"$file"
"$exe" >"$work/app.log" 2>&1 &
app_pid=$!

find_window() {  # the first window whose name matches, as the window system has it
  for _ in $(seq 100); do
    local id
    id=$(xdotool search --sync --onlyvisible --name "$1" 2>/dev/null | head -1) && [ -n "$id" ] && { echo "$id"; return; }
    sleep 0.1
  done
  echo "long_path_check: no window named $1" >&2; cat "$work/app.log" >&2; exit 1
}
title() { xprop -id "$1" _NET_WM_NAME WM_NAME | sed -n 's/^[^=]*= //p' | head -1; }

main=$(find_window '^Lorvane$')
sleep 1
echo "main window title: $(title "$main")"
xdotool mousemove --window "$main" 136 196; sleep 0.3; xdotool click 1  # "Add MSG File(s)"
dialog=$(find_window '^Add File')
echo "file dialog title: $(title "$dialog")"
sleep 0.5
xdotool type --window "$dialog" --delay 2 "$file"
xdotool key --window "$dialog" Return
sleep 1
import -window "$main" "$out/list-row.png"
# "Start Converting". Qt takes the first press after a modal dialog as the end of that
# dialog's mouse grab, so the pointer first enters the window afresh.
xdotool mousemove --window "$main" 268 300; sleep 0.3
xdotool mousemove --window "$main" 268 543; sleep 0.3
xdotool mousedown 1; sleep 0.1; xdotool mouseup 1
box=""
for _ in $(seq 100); do
  box=$(xdotool search --onlyvisible --name '^Lorvane$' 2>/dev/null | grep -vx "$main" | head -1 || true)
  [ -n "$box" ] && break
  sleep 0.1
done
[ -n "$box" ] || { import -window root "$out/screen.png"; xwininfo -root -tree | grep -v "has no name" | head -20; cat "$work/app.log"; echo "long_path_check: no failure box (see screen.png)" >&2; exit 1; }
sleep 0.5
echo "failure box title: $(title "$box")"
xwininfo -id "$box" | awk '/Width|Height/'
import -window "$box" "$out/failure-box.png"
import -window "$main" "$out/bar-during-failure.png"
echo "long_path_check: pictures in $out"
