#!/usr/bin/env bash
# The Windows program's window under wine on a virtual X server, from a clean wine prefix:
#   docs/windows-main-window.png  the main window as it first opens;
#   docs/windows-done.png         a finished run of the samples: the window with the "Done"
#                                 box over it.
# Usage: tools/windows_screenshots.sh [WINDOWS_PROGRAM_FOLDER] [OUTPUT_FOLDER]
# Defaults: build-windows/app (tools/windows.sh program) and docs/.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
app=$(realpath "${1:-$root/build-windows/app}")
out=$(realpath "${2:-$root/docs}")
[ -f "$app/lorvane.exe" ] || { echo "windows_screenshots: no $app/lorvane.exe" >&2; exit 1; }

source "$root/tools/virtual_display.sh"
install_missing_tools Xvfb:xvfb import:imagemagick xwininfo:x11-utils xdotool:xdotool
start_virtual_display
export WINEPREFIX=$work/prefix WINEDEBUG=-all
wineboot -i >/dev/null 2>&1 || true

# wine's top-level windows named "Lorvane" (its class names are its own).
windows() { xwininfo -root -tree 2>/dev/null | awk '/"Lorvane": \(/ {print $1}'; }
box() { windows | grep -vx "$main" | tail -1 || true; }
wait_for_main() {
  main=""
  for _ in $(seq 600); do
    main=$(windows | head -1)
    [ -n "$main" ] && break
    sleep 0.1
  done
  [ -n "$main" ] || { echo "windows_screenshots: the window did not appear" >&2; cat "$work/app.log" >&2; exit 1; }
  sleep 3
}

# The main window as it first opens.
wine "$app/lorvane.exe" >"$work/app.log" 2>&1 &
app_pid=$!
wait_for_main
shoot_window "$main" "$out/windows-main-window.png"
echo "windows_screenshots: saved $out/windows-main-window.png"
# Closing the window may ask a question: the wine session ends instead.
wineserver -k 2>/dev/null || true
wait "$app_pid" 2>/dev/null || true

# The samples queued from the command line, converted into the desktop folder.
samples="Z:${app//\//\\}\\Samples"
wine "$app/lorvane.exe" "$samples" >"$work/app.log" 2>&1 &
app_pid=$!
wait_for_main
xdotool mousemove --window "$main" 268 543 click 1   # "Start Converting"
for _ in $(seq 1200); do [ -n "$(box)" ] && break; sleep 0.1; done
[ -n "$(box)" ] || { echo "windows_screenshots: the run did not finish" >&2; exit 1; }
sleep 2
import -window root "$work/screen.png"
# The window and the box over it, cropped to both.
geometry=$(for id in "$main" "$(box)"; do xwininfo -id "$id"; done |
  awk '/Absolute upper-left X/ {x=$NF} /Absolute upper-left Y/ {y=$NF} /Width:/ {w=$NF}
       /Height:/ {h=$NF; if (!n || x < x0) x0 = x; if (!n || y < y0) y0 = y;
                  if (x + w > x1) x1 = x + w; if (y + h > y1) y1 = y + h; n++}
       END {printf "%dx%d+%d+%d", x1 - x0, y1 - y0, x0, y0}')
convert "$work/screen.png" -crop "$geometry" +repage "$out/windows-done.png"
echo "windows_screenshots: saved $out/windows-done.png"
xdotool key --window "$(box)" Return 2>/dev/null || true
wineserver -k 2>/dev/null || true
