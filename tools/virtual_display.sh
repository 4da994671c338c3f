# Sourced by the scripts that drive the real window under a virtual X server: installs the
# tools they lack, and gives them a private work folder with a throw-away home and settings
# folder (the user's own settings stay untouched) and a free display with Xvfb running on
# it. Whatever way the script ends, the program it started (app_pid), the server and the
# work folder go away.

# Installs the Debian packages of the commands that are missing; each argument is
# "command:package".
install_missing_tools() {
  local need=() pair
  for pair in "$@"; do command -v "${pair%%:*}" >/dev/null || need+=("${pair#*:}"); done
  if ((${#need[@]})); then
    local SUDO=""
    [ "$(id -u)" -ne 0 ] && SUDO=sudo
    $SUDO apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "${need[@]}"
  fi
}

stop_virtual_display() {
  [ -n "${app_pid:-}" ] && kill "$app_pid" 2>/dev/null || true
  [ -n "${xvfb_pid:-}" ] && kill "$xvfb_pid" 2>/dev/null || true
  rm -rf "$work"
}

# Sets work, DISPLAY, HOME (with a Desktop folder) and XDG_CONFIG_HOME.
start_virtual_display() {
  work=$(mktemp -d /tmp/lorvane-x.XXXXXX)
  xvfb_pid=""
  app_pid=""
  trap stop_virtual_display EXIT
  local display=99
  while [ -e "/tmp/.X11-unix/X$display" ] || [ -e "/tmp/.X$display-lock" ]; do display=$((display + 1)); done
  Xvfb ":$display" -screen 0 1024x768x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
  xvfb_pid=$!
  export DISPLAY=":$display"
  for _ in $(seq 50); do xwininfo -root >/dev/null 2>&1 && break; sleep 0.1; done
  export XDG_CONFIG_HOME="$work/config" HOME="$work/home"
  mkdir -p "$XDG_CONFIG_HOME" "$HOME/Desktop"
  unset QT_QPA_PLATFORM
}

# The ids of the program's top-level windows titled "Lorvane".
windows() { xwininfo -root -tree 2>/dev/null | awk '/"Lorvane": \("lorvane"/ {print $1}'; }
# The box open over the main window ($main).
box() { windows | grep -vx "$main" | tail -1 || true; }
# Saves the window with id $1 into $2 as the screen shows it: a window grabbed by itself may
# give back an older picture of it.
shoot_window() {
  local geometry
  geometry=$(xwininfo -id "$1" | awk '/Absolute upper-left X/ {x=$NF} /Absolute upper-left Y/ {y=$NF}
                                    /Width:/ {w=$NF} /Height:/ {h=$NF} END {printf "%dx%d+%d+%d", w, h, x, y}')
  import -window root -crop "$geometry" +repage "$2"
}
# The script's name for its messages ("box_screenshots").
script_name() { basename "$0" .sh; }
# Waits for the program's main window and sets $main; ends the script when none appears.
wait_for_main() {
  main=""
  for _ in $(seq 100); do
    main=$(windows | head -1)
    [ -n "$main" ] && break
    sleep 0.1
  done
  [ -n "$main" ] || { echo "$(script_name): the window did not appear" >&2; cat "$work/app.log" >&2; exit 1; }
  sleep 1
}
# Waits for a box over the main window, other than the box with id $1 when given; ends the
# script when none appears within 20 seconds.
wait_for_box() {
  for _ in $(seq 200); do
    [ -n "$(box)" ] && [ "$(box)" != "${1:-}" ] && return 0
    sleep 0.1
  done
  echo "$(script_name): no box appeared" >&2; cat "$work/app.log" >&2; exit 1
}
# Clicks a point of the main window ($main) given in its own pixels.
click_main() { xdotool mousemove --window "$main" "$1" "$2" click 1; }
