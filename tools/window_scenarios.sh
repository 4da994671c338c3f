#!/usr/bin/env bash
# Drives the real window under a virtual X server through the run's hard cases and saves
# what the user sees, box by box:
#   hang  - time limit 5 s; a slow message, a good one, a file that is not a message, three
#           good ones. Every box is answered with OK; the run must end with its closing box.
#   stop  - six good messages, then two slow ones; "Stop Converting" is pressed while the
#           two slow ones run. The closing box must count six converted.
# Usage: tools/window_scenarios.sh <output-folder> <hang|stop> [build-folder]
# Saves <scenario>-box-N.png for each box in turn and <scenario>-window.png at the end.
set -euo pipefail
out=$(realpath "${1:?usage: tools/window_scenarios.sh <output-folder> <hang|stop> [build-folder]}")
scenario=${2:?usage: tools/window_scenarios.sh <output-folder> <hang|stop> [build-folder]}
root="$(cd "$(dirname "$0")/.." && pwd)"
build=${3:-$root/build}
exe="$build/app/lorvane"
[ -x "$exe" ] || { echo "window_scenarios: $exe not built" >&2; exit 1; }
mkdir -p "$out"

source "$root/tools/virtual_display.sh"
install_missing_tools Xvfb:xvfb import:imagemagick xwininfo:x11-utils xdotool:xdotool
start_virtual_display

mail="$HOME/Mail"
mkdir -p "$mail" "$HOME/Documents"
good() { cp "$build/app/Samples/Plain message.msg" "$mail/$1.msg"; }
case "$scenario" in
  hang)
    limit=5
    "$build/tools/samples/make_samples" --slow "$mail/a slow.msg" 100 >/dev/null
    good "b good"; printf 'Meeting notes, typed by hand\n' >"$mail/c bad.msg"
    good "d good"; good "e good"; good "f good" ;;
  stop)
    limit=60
    for n in a b c d e f; do good "$n good"; done
    "$build/tools/samples/make_samples" --slow "$mail/y slow.msg" 100 >/dev/null
    "$build/tools/samples/make_samples" --slow "$mail/z slow.msg" 100 >/dev/null ;;
  *) echo "window_scenarios: no scenario $scenario" >&2; exit 2 ;;
esac
cat >"$XDG_CONFIG_HOME/Kestrane.conf" <<CONF
[Lorvane]
Text1=$HOME/Documents/
Option1=True
Option2=False
TimeLimit=$limit
Extension=msg
LastFolder=$mail
CONF
"$exe" "$mail" >"$work/app.log" 2>&1 &
app_pid=$!

shoot() {
  shoot_window "$(box)" "$1"
  echo "window_scenarios: saved $1"
}

wait_for_main
click_main 268 543   # "Start Converting"
if [ "$scenario" = stop ]; then
  sleep 3
  import -window "$main" "$out/stop-running.png"
  click_main 268 543 # "Stop Converting"
fi
# Answers each box in turn, for at most 40 seconds.
n=0
for _ in $(seq 400); do
  if [ -n "$(box)" ]; then
    sleep 0.7
    n=$((n + 1))
    shoot "$out/$scenario-box-$n.png"
    xdotool key Return
    sleep 0.5
  fi
  sleep 0.1
  kill -0 "$app_pid" 2>/dev/null || break
done
import -window "$main" "$out/$scenario-window.png"
echo "window_scenarios: $n boxes; documents written: $(ls "$HOME/Documents" | wc -l)"
ls "$HOME/Documents"
