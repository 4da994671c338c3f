#!/usr/bin/env bash
# Starts the real program under a virtual X server, converts a folder holding two good
# messages, damaged ones and a message that keeps its converter busy for many seconds (a
# huge HTML body, as a damaged network copy can take long), and saves pictures of the failure box (with its reason), of the
# window during the run (the bar waiting on the slow message, "Stop Converting") and of the
# closing box with its details open on the last failure (the slow message, past the time
# limit of 10 seconds set for the run).
# Usage: tools/box_screenshots.sh <output-folder> [build-folder] [failures]
# `failures` (default 8, at least 3) is how many messages of the folder fail.
# Installs xvfb, xdotool, imagemagick and x11-utils when missing; the program runs with a
# throw-away settings folder, so the user's settings stay untouched.
set -euo pipefail
out=$(realpath "${1:?usage: tools/box_screenshots.sh <output-folder> [build-folder]}")
root="$(cd "$(dirname "$0")/.." && pwd)"
build=${2:-$root/build}
failures=${3:-8}
exe="$build/app/lorvane"
[ -x "$exe" ] || { echo "box_screenshots: $exe not built" >&2; exit 1; }

source "$root/tools/virtual_display.sh"
install_missing_tools Xvfb:xvfb import:imagemagick xwininfo:x11-utils xdotool:xdotool
start_virtual_display

# The messages: two samples that convert, files that only pretend to be messages, a
# damaged copy of a sample, and last a message whose HTML body keeps its converter busy.
mail="$HOME/Mail"
mkdir -p "$mail" "$HOME/Documents"
cp "$build/app/Samples/Plain message.msg" "$build/app/Samples/Formatted message.msg" "$mail/"
printf 'Meeting notes, typed by hand\n' >"$mail/Monday notes.msg"
head -c 2000 "$build/app/Samples/Formatted message.msg" >"$mail/Cut short.msg"
for i in $(seq 3 "$((failures - 1))"); do head -c 3000 /dev/urandom >"$mail/Old backup $i.msg"; done
"$build/tools/samples/make_samples" --slow "$mail/Zz network copy.msg" 200

cat >"$XDG_CONFIG_HOME/Kestrane.conf" <<CONF
[Lorvane]
Text1=$HOME/Documents/
Option1=True
Option2=False
TimeLimit=10
Extension=msg
LastFolder=$mail
CONF
# Queued from the command line, as a file manager's "Open with" does.
"$exe" "$mail" >"$work/app.log" 2>&1 &
app_pid=$!

# Saves the box as the screen shows it.
shoot() {
  sleep 1
  shoot_window "$(box)" "$1"
  echo "box_screenshots: saved $1"
}

wait_for_main
click_main 268 543            # "Start Converting"
wait_for_box
shoot "$out/failure-box.png"
first=$(box)
xdotool key Tab space Return  # tick "Do not show this again during this run", OK
# The slow message: after five seconds the bar says so; the button stops the run.
sleep 6
shoot_window "$main" "$out/run-bar.png"
echo "box_screenshots: saved $out/run-bar.png"
wait_for_box "$first"
sleep 0.5
xdotool key alt+d             # "Show Details..."
shoot "$out/done-box.png"
