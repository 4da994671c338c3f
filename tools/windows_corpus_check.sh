#!/usr/bin/env bash
# Converts every message of the shared corpus with every combination of --header,
# --pictures, --attachments and --dates, once with the Linux Quorlin and once with the
# Windows Quorlin.exe under wine, and compares what each left: the exit status, every file
# it wrote (the document, the attachments folder) byte for byte, and with --dates their
# modification times. Prints the time each side took and "N identical, M different"; a
# conversion the Windows build refused only because it was built without an HTML parser
# (tools/windows.sh without gumbo's source) is counted apart, not as a difference. Exits 1
# when anything differs.
#
#   tools/windows_corpus_check.sh [LINUX_QUORLIN] [WINDOWS_QUORLIN_EXE] [CORPUS]
# Defaults: build/converter/Quorlin, build-windows-converter/converter/Quorlin.exe,
# ../shared/corpus. Differences are listed in $LORVANE_CHECK_DIR/differences.txt (a fresh
# temporary folder unless set; kept when anything differs). LORVANE_CHECK_COMBINATIONS
# picks some of the 16 combinations by number (bit 0 --header, 1 --pictures,
# 2 --attachments, 3 --dates; "0 15": none and all four); all of them unless set.
set -euo pipefail
cd "$(dirname "$0")/.."
linux=${1:-build/converter/Quorlin}
windows=${2:-build-windows-converter/converter/Quorlin.exe}
corpus=${3:-../shared/corpus}
for f in "$linux" "$windows"; do [ -f "$f" ] || { echo "windows_corpus_check: $f is not built" >&2; exit 2; }; done
[ -d "$corpus" ] || { echo "windows_corpus_check: no corpus at $corpus" >&2; exit 2; }
linux=$(realpath "$linux"); windows=$(realpath "$windows"); corpus=$(realpath "$corpus")
work=${LORVANE_CHECK_DIR:-$(mktemp -d)}
mkdir -p "$work"
export WINEDEBUG=-all TZ=UTC
# Both sides lay documents out on the same paper: a British user's, A4 (the Linux build reads
# it from the locale's name, wine gives Windows' regional format of that locale).
paper_locale=en_GB.UTF-8
# One wine server for the whole check: each start of Quorlin.exe then costs a fraction of a second.
wineserver -p 2>/dev/null || true

mapfile -t messages < <(cd "$corpus" && find . -maxdepth 1 -type f -name '*.msg' -printf '%f\n' | sort)
flags=(--header --pictures --attachments --dates)

# convert SIDE PROGRAM...: every combination, every message, into $work/SIDE/<combination>/<message>/.
convert() {
  local side=$1; shift
  local mask combination message out status
  for mask in ${LORVANE_CHECK_COMBINATIONS:-$(seq 0 15)}; do
    local chosen=()
    for i in 0 1 2 3; do ((mask >> i & 1)) && chosen+=("${flags[$i]}"); done
    combination=$(IFS=_; echo "none${chosen[*]:+_}${chosen[*]}")
    for message in "${messages[@]}"; do
      out="$work/$side/$combination/$message"
      rm -rf "$out"; mkdir -p "$out"
      status=0
      LC_ALL=$paper_locale "$@" "${chosen[@]}" "$corpus/$message" "$out/document.doc" >"$out.stdout" 2>"$out.stderr" </dev/null || status=$?
      echo "$status" >"$out.status"
    done
  done
}

# LORVANE_CHECK_REUSE=1 compares what an earlier check left in $LORVANE_CHECK_DIR.
start=$(date +%s.%N)
[ "${LORVANE_CHECK_REUSE:-0}" = 1 ] || convert linux "$linux"
middle=$(date +%s.%N)
[ "${LORVANE_CHECK_REUSE:-0}" = 1 ] || convert windows wine "$windows"
end=$(date +%s.%N)

# The dates --dates set, file by file: a whole second as it is, any other time (the moment
# the file was written: no date to give it) as "unset".
dates() {
  (cd "$1" && find . -mindepth 1 -printf '%P\t%T@\n' | sort) |
    awk -F'\t' '{ split($2, t, "."); print $1, (t[2] ~ /^0*$/ ? t[1] : "unset") }'
}

same=0; different=0; no_parser=0
: >"$work/differences.txt"
for dir in "$work"/linux/*/*/; do
  rel=${dir#"$work/linux/"}; rel=${rel%/}
  other="$work/windows/$rel"
  reason=""
  if [ "$(cat "$work/linux/$rel.status")" = 0 ] && grep -q "has no HTML parser" "$other.stderr"; then
    no_parser=$((no_parser + 1))
    continue
  elif ! cmp -s "$work/linux/$rel.status" "$other.status"; then
    reason="exit status $(cat "$work/linux/$rel.status") on Linux, $(cat "$other.status") on Windows"
  elif ! diff -rq "$dir" "$other" >/dev/null 2>&1; then
    reason=$(diff -rq "$dir" "$other" 2>&1 | head -3 | tr '\n' ' ')
  elif [[ $rel == *--dates* ]] && ! diff <(dates "$dir") <(dates "$other") >/dev/null; then
    reason="modification times differ"
  fi
  if [ -z "$reason" ]; then
    same=$((same + 1))
  else
    different=$((different + 1))
    echo "$rel: $reason" >>"$work/differences.txt"
  fi
done

printf 'Linux: %.1f s, Windows under wine: %.1f s for %d conversions each\n' \
  "$(echo "$middle - $start" | bc)" "$(echo "$end - $middle" | bc)" $((same + different + no_parser))
if ((different)); then
  echo "differences: $work/differences.txt"
  cut -d: -f2- "$work/differences.txt" | sort | uniq -c | sort -rn | head -5
elif [ -z "${LORVANE_CHECK_DIR:-}" ]; then
  rm -rf "$work"
fi
((no_parser == 0)) || echo "$no_parser HTML bodies not converted on Windows: this build has no HTML parser"
echo "$same identical, $different different"
((different == 0))
