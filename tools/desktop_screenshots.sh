#!/usr/bin/env bash
# Starts the real program under a virtual X server and saves pictures of what a desktop user
# meets beyond the run itself:
#   grown-window.png      the window made larger: its list and the list's column grown (long
#                         paths shown whole), the output folder's box wide, the queued
#                         messages counted;
#   close-question.png    the question when the window is closed during a run;
#   details-save-list.png the closing box of a run whose failures have long paths, its
#                         details open (wrapped lines) beside "Save List...";
#   pdf-start.png         the window as a PDF run begins, while LibreOffice starts (needs
#                         libreoffice-writer-nogui and python3-uno; left out without them).
# Usage: tools/desktop_screenshots.sh <output-folder> [build-folder]
# Installs xvfb, xdotool, imagemagick and x11-utils when missing; the program runs with a
# throw-away settings folder, so the user's settings stay untouched.
set -euo pipefail
out=$(realpath "${1:?usage: tools/desktop_screenshots.sh <output-folder> [build-folder]}")
root="$(cd "$(dirname "$0")/.." && pwd)"
build=${2:-$root/build}
exe="$build/app/lorvane"
[ -x "$exe" ] || { echo "desktop_screenshots: $exe not built" >&2; exit 1; }

source "$root/tools/virtual_display.sh"
install_missing_tools Xvfb:xvfb import:imagemagick xwininfo:x11-utils xdotool:xdotool
start_virtual_display

shoot_box() {
  sleep 1
  shoot_window "$(box)" "$1"
  echo "desktop_screenshots: saved $1"
}
# Asks the window to close, as its title bar's close button does (there is no window manager).
close_main() {
  python3 - "$main" <<'PY'
import ctypes, sys
x = ctypes.cdll.LoadLibrary("libX11.so.6")
x.XOpenDisplay.restype = ctypes.c_void_p
x.XInternAtom.restype = ctypes.c_ulong
x.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
class ClientMessage(ctypes.Structure):
    _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong), ("send_event", ctypes.c_int),
                ("display", ctypes.c_void_p), ("window", ctypes.c_ulong), ("message_type", ctypes.c_ulong),
                ("format", ctypes.c_int), ("data", ctypes.c_long * 5)]
class Event(ctypes.Union):
    _fields_ = [("xclient", ClientMessage), ("pad", ctypes.c_long * 24)]
x.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long, ctypes.POINTER(Event)]
x.XFlush.argtypes = [ctypes.c_void_p]
x.XOpenDisplay.argtypes = [ctypes.c_char_p]
display = x.XOpenDisplay(None)
event = Event()
event.xclient.type = 33
event.xclient.window = int(sys.argv[1], 0)
event.xclient.message_type = x.XInternAtom(display, b"WM_PROTOCOLS", 0)
event.xclient.format = 32
event.xclient.data[0] = x.XInternAtom(display, b"WM_DELETE_WINDOW", 0)
x.XSendEvent(display, event.xclient.window, 0, 0, ctypes.byref(event))
x.XFlush(display)
PY
}
settings() {
  cat >"$XDG_CONFIG_HOME/Kestrane.conf" <<CONF
[Lorvane]
Text1=$HOME/Documents/
Option1=True
Option2=False
TimeLimit=30
CONF
}

# 1 and 2: many good messages and last a slow one; the window grown, then closed mid-run.
mail="$HOME/Mail"
mkdir -p "$mail" "$HOME/Documents"
# Paths too long for the designed column, shown whole in the grown one.
supplier="$mail/Correspondence with the supplier 2017/Reports"
mkdir -p "$supplier"
for i in $(seq -w 1 36); do cp "$build/app/Samples/Plain message.msg" "$supplier/Weekly report $i.msg"; done
"$build/tools/samples/make_samples" --slow "$mail/Zz network copy.msg" 100
settings
"$exe" "$mail" >"$work/app.log" 2>&1 &
app_pid=$!
wait_for_main
xdotool windowmove "$main" 0 0 windowsize "$main" 760 720
sleep 1
import -window "$main" "$out/grown-window.png"
echo "desktop_screenshots: saved $out/grown-window.png"
click_main 380 $((720 - 86))   # "Start Converting", moved down with the window
sleep 2
close_main
wait_for_box
shoot_box "$out/close-question.png"
kill "$app_pid" 2>/dev/null || true
wait "$app_pid" 2>/dev/null || true

# 3: failures whose paths are long; the closing box with its details open.
deep="$HOME/Mail/Correspondence with the supplier 2017/Quarterly reports and their figures/Sent by the accounts department"
mkdir -p "$deep"
cp "$build/app/Samples/Plain message.msg" "$deep/Good one.msg"
head -c 2000 "$build/app/Samples/Formatted message.msg" >"$deep/Figures for the second quarter, cut short by the network.msg"
printf 'Meeting notes, typed by hand\n' >"$deep/Meeting notes from the Monday meeting with the supplier.msg"
rm -rf "$HOME/Documents"/*
settings
"$exe" "$deep" >"$work/app.log" 2>&1 &
app_pid=$!
wait_for_main
click_main 268 543              # "Start Converting"
wait_for_box
first=$(box)
xdotool key Tab space Return    # tick "Do not show this again during this run", OK
wait_for_box "$first"
sleep 0.5
xdotool key alt+d               # "Show Details..."
shoot_box "$out/details-save-list.png"
kill "$app_pid" 2>/dev/null || true
wait "$app_pid" 2>/dev/null || true

# 4: a PDF run as it begins: the bar says that LibreOffice is starting.
# Without LibreOffice the command names the package to install before it looks at the paths.
if ! "$exe" convert --format pdf -o "$work" "$work/none" 2>&1 | grep -qi libreoffice; then
  rm -rf "$HOME/Documents"/*
  settings
  echo "Format=pdf" >>"$XDG_CONFIG_HOME/Kestrane.conf"
  "$exe" "$supplier" >"$work/app.log" 2>&1 &
  app_pid=$!
  wait_for_main
  click_main 268 543            # "Start Converting"
  sleep 3
  shoot_window "$main" "$out/pdf-start.png"
  echo "desktop_screenshots: saved $out/pdf-start.png"
else
  echo "desktop_screenshots: no LibreOffice Writer, pdf-start.png left out" >&2
fi
