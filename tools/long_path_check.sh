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
for tool in Xvfb xdotool import xprop xwininfo; do
  command -v "$tool" >/dev/null || { echo "long_path_check: needs $tool (xvfb xdotool imagemagick x11-utils)" >&2; exit 1; }
done
mkdir -p "$out"

work=$(mktemp -d)
xvfb_pid=""
app_pid=""
cleanup() {
  [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

display=99
while [ -e "/tmp/.X11-unix/X$display" ] || [ -e "/tmp/.X$display-lock" ]; do display=$((display + 1)); done
Xvfb ":$display" -screen 0 1024x768x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
export DISPLAY=":$display"
for _ in $(seq 50); do xwininfo -root >/dev/null 2>&1 && break; sleep 0.1; done

export XDG_CONFIG_HOME="$work/config" HOME="$work/home"
mkdir -p "$XDG_CONFIG_HOME" "$HOME/Desktop"
# A file that is no message, deep in a tree: its conversion fails, so the failure box shows.
deep="$HOME/Mail archive"
for level in 1 2 3 4 5 6; do deep="$deep/Correspondence with suppliers and customers $level"; done
mkdir -p "$deep"
file="$deep/Re: Quarterly figures for the board meeting, final version with corrections.msg"
echo "not a message" >"$file"
unset QT_QPA_PLATFORM
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
xdotool mousemove --window "$main" 268 391; sleep 0.3
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
