#!/usr/bin/env bash
# Side-by-side figures of an earlier commit and this checkout, measured in one run so that a
# slip in speed shows as a ratio rather than hiding in a machine's drift.
#
#   bench/compare.sh [--rounds N] [--messages N] COMMIT
#
# Builds COMMIT (Release, benchmarks on) in a folder of its own under
# ${LORVANE_COMPARE_CACHE:-$HOME/.cache/lorvane-compare}, builds this checkout in build/, then
# measures both in turn, old then new, N rounds (3 by default), and prints the best of each:
#   - lorvane convert --jobs 1 and --jobs 2 over about 2,000 messages (the shared corpus
#     repeated; the repository's samples when the corpus is not there);
#   - the window's run over 2,000 messages (run_bench's "Start Converting", headless);
#   - the converter per file: CPU (user + system) and wall time of Quorlin run once per message;
#   - a PDF run: lorvane convert --format pdf --jobs 2 over the corpus (skipped without
#     LibreOffice).
# The last column is new/old: above 1.00 the new build is slower or uses more.
set -euo pipefail
cd "$(dirname "$0")/.."
here=$(pwd)

rounds=3
wanted_messages=2000
while (($#)); do
  case $1 in
    --rounds) rounds=$2; shift 2 ;;
    --messages) wanted_messages=$2; shift 2 ;;
    -h|--help) sed -n '2,16p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    -*) echo "compare.sh: unknown option $1" >&2; exit 2 ;;
    *) break ;;
  esac
done
[ $# -eq 1 ] || { echo "usage: bench/compare.sh [--rounds N] [--messages N] COMMIT" >&2; exit 2; }
old_commit=$(git rev-parse --verify "$1^{commit}")
short=$(git rev-parse --short "$old_commit")

# shellcheck source=../tools/lib/commit_build.sh
. "$here/tools/lib/commit_build.sh"
commit_build "$old_commit"
echo "building this checkout in build/"
tree_build "$here" "$here/build"

work=$(mktemp -d "${TMPDIR:-/tmp}/lorvane-compare.XXXXXX")
trap 'rm -rf "$work"' EXIT

# The messages: the corpus (or the samples) repeated until there are about 2,000.
origin="$here/../shared/corpus"
[ -d "$origin" ] || origin="$here/build/samples"
mapfile -t originals < <(find "$origin" -maxdepth 1 -name '*.msg' | sort)
((${#originals[@]})) || { echo "compare.sh: no messages in $origin" >&2; exit 1; }
mkdir -p "$work/messages" "$work/few"
copies=$(( (wanted_messages + ${#originals[@]} - 1) / ${#originals[@]} ))
for ((c = 0; c < copies; ++c)); do
  mkdir -p "$work/messages/$c"
  cp "${originals[@]}" "$work/messages/$c/"
done
cp "${originals[@]}" "$work/few/"
count=$(find "$work/messages" -name '*.msg' | wc -l)

# Seconds a command takes, its output thrown away. Each run writes into a new, empty
# $work/out (the one before is moved aside and removed only at the end): on ext4, files
# made just after thousands were removed cost several times as much (the allocator scans
# the recently freed inodes), which would charge one build for the other's clean-up. How
# many files the run left in $work/out is kept in $work/made, so a run that made nothing
# cannot pass for a fast one.

seconds() {
  [ -x "$1" ] || { echo "compare.sh: no program at $1" >&2; exit 1; }
  mkdir -p "$work/done"
  [ -e "$work/out" ] && mv "$work/out" "$work/done/$(date +%s%N)"
  mkdir -p "$work/out"
  local start end
  start=$(date +%s.%N)
  "$@" >/dev/null 2>&1 || true
  end=$(date +%s.%N)
  find "$work/out" -type f | wc -l >"$work/made"
  echo "$end - $start" | bc -l
}

declare -A made
# Runs `seconds` and remembers, under the figure's name, how many files the run made.
timed() {  # name command...
  local name=$1; shift
  keep_best "$name" "$(seconds "$@")"
  made[$name]=$(cat "$work/made")
}

# "user+system wall" seconds of Quorlin run once per message of $work/few, 5 times over.
converter_loop() {
  local quorlin=$1 f
  mkdir -p "$work/done"
  [ -e "$work/out" ] && mv "$work/out" "$work/done/$(date +%s%N)"
  mkdir -p "$work/out"
  local TIMEFORMAT='%U %S %R'
  { time (for r in 1 2 3 4 5; do for f in "$work"/few/*.msg; do
      "$quorlin" "$f" "$work/out/$r-${f##*/}.doc" >/dev/null 2>&1 || true; done; done) ; } 2>&1 | tail -n1
}

# The window's run over 2,000 messages, best of run_bench's three repetitions, in seconds.
window_run() {
  QT_QPA_PLATFORM=offscreen "$1/bench/run_bench" --benchmark_filter=window_run 2>/dev/null |
    awk '/^window_run_2000.*manual_time / && !/_mean|_median|_stddev|_cv/ {print $2 / 1000}' | sort -g | head -n1
}

# LibreOffice and a Python that has its bridge, looked for where the renderer looks.
have_office=0
if command -v soffice >/dev/null; then
  for python in python3 /usr/bin/python3; do
    "$python" -c 'import uno' 2>/dev/null && { have_office=1; break; }
  done
fi
per_file=$(( ${#originals[@]} * 5 ))

declare -A best
keep_best() {  # name value
  local now=${best[$1]:-}
  if [ -z "$now" ] || [ "$(echo "$2 < $now" | bc -l)" = 1 ]; then best[$1]=$2; fi
}

for ((round = 1; round <= rounds; ++round)); do
  for side in old new; do
    if [ $side = old ]; then dir=$old_build; else dir=$here/build; fi
    echo "round $round: $side" >&2
    timed "$side jobs1" "$dir/app/lorvane" convert --quiet --jobs 1 --output "$work/out" "$work/messages"
    timed "$side jobs2" "$dir/app/lorvane" convert --quiet --jobs 2 --output "$work/out" "$work/messages"
    read -r user system wall < <(converter_loop "$dir/converter/Quorlin")
    keep_best "$side cpu" "$(echo "($user + $system) * 1000 / $per_file" | bc -l)"
    keep_best "$side wall" "$(echo "$wall * 1000 / $per_file" | bc -l)"
    window=$(window_run "$dir")
    [ -n "$window" ] && keep_best "$side window" "$window"
    if ((have_office)); then
      timed "$side pdf" "$dir/app/lorvane" convert --quiet --format pdf --jobs 2 --output "$work/out" "$work/few"
    fi
  done
done

row() {  # label key unit
  local old=${best["old $2"]:-} new=${best["new $2"]:-}
  if [ -z "$old" ] || [ -z "$new" ]; then
    printf '| %-44s | %10s | %10s | %6s |\n' "$1" "${old:--}" "${new:--}" "-"
    return
  fi
  printf '| %-44s | %8.3f %s | %8.3f %s | %5.2fx |\n' "$1" "$old" "$3" "$new" "$3" "$(echo "$new / $old" | bc -l)"
}
echo
echo "$count messages (${#originals[@]} distinct), best of $rounds rounds, $(nproc) cores, load $(cut -d' ' -f1-3 /proc/loadavg)"
printf '| %-44s | %10s | %10s | %6s |\n' "figure" "$short" "this tree" "ratio"
printf '|%s|%s|%s|%s|\n' "$(printf -- '-%.0s' {1..46})" "$(printf -- '-%.0s' {1..12})" "$(printf -- '-%.0s' {1..12})" "--------"
row "lorvane convert --jobs 1 ($count messages)" jobs1 s
row "lorvane convert --jobs 2 ($count messages)" jobs2 s
row "the window's run (2,000 messages)" window s
row "converter per file, CPU (user + system)" cpu ms
row "converter per file, wall" wall ms
if ((have_office)); then
  row "PDF run, --jobs 2 (${#originals[@]} messages)" pdf s
else
  echo "(no LibreOffice with python3-uno: the PDF figure was not measured)"
fi
echo "files made: --jobs 1 ${made[old jobs1]:-?} and ${made[new jobs1]:-?}, --jobs 2 ${made[old jobs2]:-?} and ${made[new jobs2]:-?}, PDF ${made[old pdf]:--} and ${made[new pdf]:--} (old and new)"
