#!/usr/bin/env bash
# Starts the real program under a virtual X server and saves a PNG of its main window.
# Usage: tools/screenshot.sh <output.png> [build-folder]
# The program runs with a throw-away settings folder, so the user's settings stay untouched.
set -euo pipefail
out=${1:?usage: tools/screenshot.sh <output.png> [build-folder]}
root="$(cd "$(dirname "$0")/.." && pwd)"
build=${2:-$root/build}
exe="$build/app/lorvane"
[ -x "$exe" ] || { echo "screenshot: $exe not built" >&2; exit 1; }

source "$root/tools/virtual_display.sh"
install_missing_tools Xvfb:xvfb import:imagemagick xwininfo:x11-utils
start_virtual_display
"$exe" >"$work/app.log" 2>&1 &
app_pid=$!

window=""
for _ in $(seq 100); do
  window=$(xwininfo -root -tree 2>/dev/null | awk '/"Lorvane": \("lorvane"/ {print $1; exit}')
  [ -n "$window" ] && break
  sleep 0.1
done
[ -n "$window" ] || { echo "screenshot: the window did not appear" >&2; cat "$work/app.log" >&2; exit 1; }
sleep 1  # let the first paint finish
import -window "$window" "$out"
echo "screenshot: saved $out"
