#!/usr/bin/env bash
# Checks the Windows setup program and the portable .zip under wine, in a fresh wine prefix:
# for all users and then for the current user, the setup program installs silently (/S),
# puts every file of the .zip in place, adds the Start-menu entry, offers Lorvane in
# "Open with" for .msg files and leaves the default of the mail program already there; the
# installed program's own install check passes; the uninstaller then removes the files, the
# shortcut, every registry entry it made and the user's settings, and leaves the mail
# program's entries, a file of the user's in the program's folder and everything else on
# the drive as they were. The same again for all users into a folder given with /D=. Prints each check and
# "N checks, M failed"; exits 1 when any failed.
#
#   tools/windows_setup_check.sh [SETUP_EXE] [PORTABLE_ZIP]
# Defaults: build-windows/dist/Lorvane-*-setup.exe and Lorvane-*-portable.zip, which
# `tools/windows.sh setup` makes. Needs wine; Xvfb (xvfb-run) when there is no display.
set -euo pipefail
cd "$(dirname "$0")/.."
setup=${1:-$(ls build-windows/dist/Lorvane-*-setup.exe 2>/dev/null | head -1)}
zip=${2:-$(ls build-windows/dist/Lorvane-*-portable.zip 2>/dev/null | head -1)}
for f in "$setup" "$zip"; do
  [ -n "$f" ] && [ -f "$f" ] || { echo "windows_setup_check: build it first (tools/windows.sh setup)" >&2; exit 2; }
done
setup=$(realpath "$setup"); zip=$(realpath "$zip")

# A display for the program's install check (Qt starts its window system first).
if [ -z "${DISPLAY:-}" ] && [ -z "${LORVANE_SETUP_CHECK_XVFB:-}" ]; then
  exec env LORVANE_SETUP_CHECK_XVFB=1 xvfb-run -a "$0" "$setup" "$zip"
fi

work=$(mktemp -d)
export WINEPREFIX=$work/prefix WINEDEBUG=-all
# No menu entries or file types on this machine's desktop from inside the prefix, and no
# offer to install wine's .NET or HTML engines.
export WINEDLLOVERRIDES="winemenubuilder.exe=d;mscoree=d;mshtml=d"
cleanup() { wineserver -k 2>/dev/null || true; rm -rf "$work"; }
trap cleanup EXIT

checks=0; failed=0
check() {  # check DESCRIPTION COMMAND...: runs COMMAND, prints ok or FAIL with the description
  local what=$1; shift
  checks=$((checks + 1))
  local out
  if out=$("$@" 2>&1); then echo "ok    $what"
  else echo "FAIL  $what"; failed=$((failed + 1)); [ -z "$out" ] || head -8 <<<"$out" | sed 's/^/        /'; fi
}
not() { ! "$@"; }
reg_has_key() { wine reg query "$1" >/dev/null 2>&1; }
reg_value() {  # reg_value KEY NAME ('' for the default value): the value's data, or status 1
  local out
  if [ -z "$2" ]; then out=$(wine reg query "$1" /ve 2>/dev/null) || return 1
  else out=$(wine reg query "$1" /v "$2" 2>/dev/null) || return 1; fi
  out=$(tr -d '\r' <<<"$out" | awk -v n="${2:-(Default)}" -F'    ' '$2 == n { print $4; found = 1 } END { exit !found }') || return 1
  printf '%s\n' "$out"
}
reg_value_is() { [ "$(reg_value "$1" "$2")" = "$3" ]; }
reg_value_has() { [[ "$(reg_value "$1" "$2")" == *"$3"* ]]; }
unix_path() { winepath -u "$1" 2>/dev/null | tr -d '\r'; }

# What the drive holds, apart from what wine itself keeps changing.
drive_listing() {
  (cd "$WINEPREFIX/drive_c" && find . -mindepth 1 -printf '%P\n') |
    grep -vE '^(windows|users/[^/]+/(Temp|AppData/Local/Temp)|users/[^/]+/AppData/Roaming/Microsoft/Windows/Recent)(/|$)' |
    LC_ALL=C sort
}

echo "== wine prefix $WINEPREFIX"
wineboot -i >/dev/null 2>&1
wineserver -w

# The files the .zip carries, below its one top folder.
expected=$work/expected.txt
python3 - "$zip" >"$expected" <<'PY'
import sys, zipfile
names = [i.filename.split("/", 1)[1] for i in zipfile.ZipFile(sys.argv[1]).infolist()]
print("\n".join(sorted(n for n in names if n and not n.endswith("/"))))
PY
echo "== the portable .zip: $(wc -l <"$expected") files"
check "the .zip unpacks into one folder holding lorvane.exe" \
  bash -c "cd '$work' && mkdir portable && cd portable && unzip -q '$zip' && ls */lorvane.exe"
portable=$(ls -d "$work"/portable/*/)
check "the program unpacked from the .zip passes its install check" \
  env LORVANE_INSTALL_CHECK=1 wine "$portable/lorvane.exe"
rm -rf "$work/portable"

# A mail program that already owns .msg, for both modes: it must keep the default.
wine reg add 'HKLM\Software\Classes\.msg' /ve /d Mailer.Message /f >/dev/null 2>&1
wine reg add 'HKLM\Software\Classes\.msg\OpenWithProgids' /v Mailer.Message /t REG_NONE /f >/dev/null 2>&1
wine reg add 'HKLM\Software\Classes\Mailer.Message\shell\open\command' /ve /d 'mailer.exe "%1"' /f >/dev/null 2>&1
wineserver -w

# For all users, for the current user, and for all users into a folder of one's own.
for run in AllUsers CurrentUser "AllUsers /D=C:\Apps\Lorvane"; do
  mode=${run%% *}; folder=""
  [ "$run" = "$mode" ] || folder=${run#*/D=}
  if [ $mode = AllUsers ]; then hive=HKLM; programs_value="Common Programs"; programs_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Explorer\Shell Folders'
  else hive=HKCU; programs_value=Programs; programs_key='HKCU\Software\Microsoft\Windows\CurrentVersion\Explorer\Shell Folders'; fi
  classes="$hive\\Software\\Classes"
  uninstall_key="$hive\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Lorvane"
  echo "== setup /S /$run"
  # The folder given is in one the user has already.
  [ -z "$folder" ] || mkdir -p "$(dirname "$(unix_path "$folder")")"
  wineserver -w
  before=$work/before.txt
  drive_listing >"$before"
  check "the setup program installs silently (/S /$run) and ends with status 0" \
    wine "$setup" /S /$mode ${folder:+"/D=$folder"}
  wineserver -w

  where=$(reg_value "$uninstall_key" InstallLocation || true)
  check "Apps & features lists Lorvane in $hive with its folder ($where)" test -n "$where"
  [ -n "$where" ] || continue
  installed=$(unix_path "$where")
  if [ -n "$folder" ]; then check "installed in the folder given with /D" test "$where" = "$folder"
  elif [ $mode = AllUsers ]; then check "installed below Program Files" grep -q 'Program Files' <<<"$where"
  else check "installed below the user's own programs folder" grep -qi 'AppData.Local.Programs' <<<"$where"; fi
  (cd "$installed" && find . -type f -printf '%P\n' | LC_ALL=C sort) >"$work/installed.txt"
  check "the installed files are the .zip's ones ($(wc -l <"$expected")) and uninstall.exe" \
    diff <(LC_ALL=C sort "$expected" <(echo uninstall.exe)) "$work/installed.txt"
  check "the uninstall entry's command names the mode" \
    reg_value_has "$uninstall_key" UninstallString "uninstall.exe\" /$mode"

  programs=$(reg_value "$programs_key" "$programs_value" || true)
  lnk=$(unix_path "$programs\\Lorvane.lnk")
  check "the Start-menu entry is in the folder the registry names ($programs)" test -n "$programs" -a -f "$lnk"
  check "the Start-menu entry points at the installed lorvane.exe" \
    grep -qa "lorvane.exe" "$lnk"

  check ".msg names Lorvane.msg among its OpenWithProgids ($hive)" \
    reg_value "$classes\\.msg\\OpenWithProgids" Lorvane.msg
  check "Lorvane.msg opens a message with the installed lorvane.exe" \
    reg_value_is "$classes\\Lorvane.msg\\shell\\open\\command" "" "\"$where\\lorvane.exe\" \"%1\""
  check "Applications\\lorvane.exe offers itself for .msg" \
    reg_value "$classes\\Applications\\lorvane.exe\\SupportedTypes" .msg
  check "the .msg default is still the mail program's (Mailer.Message)" \
    reg_value_is 'HKCR\.msg' "" Mailer.Message
  check "the mail program is still among .msg's OpenWithProgids" \
    reg_value 'HKCR\.msg\OpenWithProgids' Mailer.Message
  check "the installed program passes its install check" \
    env LORVANE_INSTALL_CHECK=1 wine "$installed/lorvane.exe"

  # The settings the program keeps, as a run leaves them, for the uninstaller to remove.
  wine reg add 'HKCU\Software\Kestrane\Lorvane' /v OutputFolder /d 'C:\users\x\Desktop' /f >/dev/null 2>&1
  if [ "$run" = CurrentUser ]; then
    check "installing again over it ends with status 0" wine "$setup" /S /$mode
    wineserver -w
    check "installing again keeps the user's settings" \
      reg_value 'HKCU\Software\Kestrane\Lorvane' OutputFolder
    check "installing again leaves the .zip's files and uninstall.exe, no more" \
      diff <(LC_ALL=C sort "$expected" <(echo uninstall.exe)) <(cd "$installed" && find . -type f -printf '%P\n' | LC_ALL=C sort)
    check "installing again leaves one Start-menu entry and the uninstall entry" \
      test -f "$lnk" -a "$(reg_value "$uninstall_key" InstallLocation)" = "$where"
  fi
  # A file of the user's in the program's folder is not the uninstaller's to delete.
  [ "$run" = AllUsers ] && echo "mine" >"$installed/notes.txt"

  echo "== uninstall /S /$mode"
  check "the uninstaller runs silently and ends with status 0" \
    wine "$installed/uninstall.exe" /S /$mode
  wineserver -w
  if [ "$run" = AllUsers ]; then
    check "the uninstaller removed every file it installed and kept the user's own" \
      test "$(cd "$installed" && find . -mindepth 1 -printf '%P\n')" = notes.txt
    rm -rf "$installed"
  else
    check "the program's folder is gone" not test -e "$installed"
  fi
  check "the Start-menu entry is gone" not test -e "$lnk"
  for key in "$classes\\Lorvane.msg" "$classes\\Applications\\lorvane.exe" "$uninstall_key" \
             "$hive\\Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\lorvane.exe" \
             'HKCU\Software\Kestrane'; do
    check "the registry key $key is gone" not reg_has_key "$key"
  done
  check "Lorvane.msg is gone from .msg's OpenWithProgids" \
    not reg_value "$classes\\.msg\\OpenWithProgids" Lorvane.msg
  check "the mail program keeps the .msg default and its OpenWithProgids entry" \
    bash -c "[ \"\$(wine reg query 'HKCR\\.msg' /ve 2>/dev/null | grep -c Mailer.Message)\" = 1 ] &&
             wine reg query 'HKCR\\.msg\\OpenWithProgids' /v Mailer.Message"
  check "nothing else is left on the drive" diff "$before" <(drive_listing)
done

echo "$checks checks, $failed failed"
((failed == 0))
