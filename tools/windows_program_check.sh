#!/usr/bin/env bash
# The Windows program against the Linux one, under wine from a clean prefix:
#  1. `lorvane convert --jobs 2` over the corpus, once with the Linux build and once with
#     lorvane.exe under wine: the same documents (names and bytes, the attachments folders
#     included) and the same closing line; prints the time each took;
#  2. a message named "Отчёт 📎.msg" converts under wine to "Отчёт 📎.doc", the same bytes
#     as on Linux;
#  3. Ctrl-C (SIGINT, which wine hands to the console's control handler) during a run: the
#     closing line says "Interrupted." and no converter of that wine prefix is left running.
#
#   tools/windows_program_check.sh [LINUX_LORVANE] [WINDOWS_PROGRAM_FOLDER] [CORPUS]
# Defaults: build/app/lorvane, build-windows/app (tools/windows.sh program), ../shared/corpus.
# Ends with status 0 when all three hold, 1 otherwise; the work folder is kept then.
set -euo pipefail
cd "$(dirname "$0")/.."
linux=${1:-build/app/lorvane}
app=${2:-build-windows/app}
corpus=${3:-../shared/corpus}
[ -x "$linux" ] || { echo "windows_program_check: $linux is not built" >&2; exit 2; }
[ -f "$app/lorvane.exe" ] || { echo "windows_program_check: no $app/lorvane.exe (tools/windows.sh program)" >&2; exit 2; }
[ -d "$corpus" ] || { echo "windows_program_check: no corpus at $corpus" >&2; exit 2; }
linux=$(realpath "$linux"); app=$(realpath "$app"); corpus=$(realpath "$corpus")
work=$(mktemp -d /tmp/lorvane-wincheck.XXXXXX)
export WINEPREFIX=$work/prefix WINEDEBUG=-all TZ=UTC
unset DISPLAY
# Windows sees the Linux root as drive Z:.
winpath() { echo "Z:${1//\//\\}"; }
failures=0
fail() { echo "FAILED: $*"; failures=$((failures + 1)); }

# The prefix is made before anything is timed.
start=$(date +%s.%N)
wineboot -i >/dev/null 2>&1 || true
wineserver -p 2>/dev/null || true
printf 'a clean wine prefix: %.1f s\n' "$(echo "$(date +%s.%N) - $start" | bc)"

# 1. The corpus.
mkdir -p "$work/linux" "$work/windows"
start=$(date +%s.%N)
"$linux" convert --jobs 2 --output "$work/linux" "$corpus" 2>"$work/linux.err" >/dev/null || true
middle=$(date +%s.%N)
wine "$app/lorvane.exe" convert --jobs 2 --output "$(winpath "$work/windows")" "$(winpath "$corpus")" \
  2>"$work/windows.err" >/dev/null </dev/null || true
end=$(date +%s.%N)
printf 'corpus, --jobs 2: Linux %.1f s, Windows under wine %.1f s\n' \
  "$(echo "$middle - $start" | bc)" "$(echo "$end - $middle" | bc)"
linux_closing=$(tail -1 "$work/linux.err"); windows_closing=$(tail -1 "$work/windows.err" | tr -d '\r')
echo "Linux:   $linux_closing"
echo "Windows: $windows_closing"
[ "$linux_closing" = "$windows_closing" ] || fail "the closing lines differ"
if diff -r "$work/linux" "$work/windows" >"$work/documents.diff" 2>&1; then
  echo "documents: $(find "$work/linux" -type f | wc -l) files, all the same"
else
  fail "the documents differ: $(grep -c . "$work/documents.diff") lines in $work/documents.diff"
  head -5 "$work/documents.diff"
fi

# 2. A Unicode name.
message=$(find "$corpus" -maxdepth 1 -name '*.msg' | sort | head -1)
mkdir -p "$work/unicode"
cp "$message" "$work/unicode/Отчёт 📎.msg"
"$linux" convert --output "$work/unicode-linux" "$work/unicode/Отчёт 📎.msg" 2>/dev/null || true
wine "$app/lorvane.exe" convert --output "$(winpath "$work/unicode")" "$(winpath "$work/unicode/Отчёт 📎.msg")" \
  2>"$work/unicode.err" >/dev/null </dev/null || true
if cmp -s "$work/unicode/Отчёт 📎.doc" "$work/unicode-linux/Отчёт 📎.doc"; then
  echo "Отчёт 📎.msg: converted to Отчёт 📎.doc, the same bytes as on Linux"
else
  fail "Отчёт 📎.msg did not convert alike: $(ls "$work/unicode")"; cat "$work/unicode.err"
fi

# 3. Ctrl-C: the converters of this prefix (wine's processes carry it in their environment).
converters() {
  local pid
  for pid in $(pgrep -f 'Quorlin.exe' || true); do
    { tr '\0' '\n' <"/proc/$pid/environ"; } 2>/dev/null | grep -qx "WINEPREFIX=$WINEPREFIX" && echo "$pid" || true
  done
}
mkdir -p "$work/stopped"
for i in 1 2 3; do cp -r "$corpus" "$work/stopped-input-$i"; done
wine "$app/lorvane.exe" convert --jobs 2 --output "$(winpath "$work/stopped")" \
  "$(winpath "$work/stopped-input-1")" "$(winpath "$work/stopped-input-2")" "$(winpath "$work/stopped-input-3")" \
  2>"$work/stopped.err" >/dev/null </dev/null &
program=$!
for _ in $(seq 300); do [ -n "$(converters)" ] && break; sleep 0.1; done
sleep 2
kill -INT "$program" 2>/dev/null || true
status=0; wait "$program" || status=$?
sleep 1
left=$(converters)
echo "Ctrl-C: exit status $status, $(tail -1 "$work/stopped.err" | tr -d '\r')"
[ -z "$left" ] || fail "converters left running after Ctrl-C: $left"
grep -q '^Interrupted\.' "$work/stopped.err" || fail "the closing line does not say Interrupted"
wineserver -k 2>/dev/null || true

if ((failures)); then echo "windows_program_check: $failures failed; see $work"; exit 1; fi
rm -rf "$work"
echo "windows_program_check: all held"
