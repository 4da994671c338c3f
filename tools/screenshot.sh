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

need=()
command -v Xvfb >/dev/null || need+=(xvfb)
command -v import >/dev/null || need+=(imagemagick)
command -v xwininfo >/dev/null || need+=(x11-utils)
if ((${#need[@]})); then
  SUDO=""; [ "$(id -u)" -ne 0 ] && SUDO=sudo
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "${need[@]}"
fi

work=$(mktemp -d)
xvfb_pid=""
app_pid=""
cleanup() {
  [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

# A free display number.
display=99
while [ -e "/tmp/.X11-unix/X$display" ] || [ -e "/tmp/.X$display-lock" ]; do display=$((display + 1)); done
Xvfb ":$display" -screen 0 1024x768x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
export DISPLAY=":$display"
for _ in $(seq 50); do xwininfo -root >/dev/null 2>&1 && break; sleep 0.1; done

export XDG_CONFIG_HOME="$work/config" HOME="$work/home"
mkdir -p "$XDG_CONFIG_HOME" "$HOME/Desktop"
unset QT_QPA_PLATFORM
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
