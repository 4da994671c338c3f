#!/usr/bin/env bash
# Converts the shared corpus with an earlier commit's `lorvane convert` and with this
# checkout's, with every combination of the document options (--header, --pictures,
# --attachments, --dates) as .doc and as PDF, plus the run options that change names and
# places (--tree, --name), and compares what each run left:
#   - the exit status and what the run said (a line per failed message, the closing line);
#   - every file by name; a .doc or an attachment byte for byte, with --dates its date too;
#   - a PDF by what it holds: its text (pdftotext), its pictures (pdfimages, byte for byte)
#     and the files it carries (pdfdetach, byte for byte). A PDF's own bytes differ from run to
#     run (its creation date and identifier), so they are not compared.
# Prints one line per combination and "N identical, M different".
#
#   tools/same_documents.sh [--doc-only] COMMIT [CORPUS]
# CORPUS defaults to ../shared/corpus. Differences are listed in
# $LORVANE_CHECK_DIR/differences.txt (a fresh temporary folder unless set; kept when
# anything differs). Needs poppler-utils for the PDFs (pdftotext, pdfimages, pdfdetach).
set -euo pipefail
cd "$(dirname "$0")/.."
here=$(pwd)
formats=(doc pdf)
if [ "${1:-}" = --doc-only ]; then formats=(doc); shift; fi
[ $# -ge 1 ] || { echo "usage: tools/same_documents.sh [--doc-only] COMMIT [CORPUS]" >&2; exit 2; }
corpus=$(realpath "${2:-../shared/corpus}")
[ -d "$corpus" ] || { echo "same_documents: no corpus at $corpus" >&2; exit 2; }
for tool in pdftotext pdfimages pdfdetach; do
  command -v $tool >/dev/null || { echo "same_documents: $tool is missing (apt-get install poppler-utils)" >&2; exit 2; }
done

# shellcheck source=lib/commit_build.sh
. "$here/tools/lib/commit_build.sh"
commit_build "$1"
echo "building this checkout in build/" >&2
tree_build "$here" "$here/build"

work=${LORVANE_CHECK_DIR:-$(mktemp -d)}
mkdir -p "$work"
export TZ=UTC

# The combinations: name, then options.
combinations=()
for format in "${formats[@]}"; do
  flags=(--header --pictures --attachments --dates)
  for ((mask = 0; mask < 16; mask++)); do
    chosen=()
    for i in 0 1 2 3; do ((mask >> i & 1)) && chosen+=("${flags[$i]}"); done
    combinations+=("$format$(printf '%s' "${chosen[@]}")|--format $format ${chosen[*]}")
  done
  combinations+=("$format-tree-all|--format $format --tree --header --pictures --attachments --dates")
  combinations+=("$format-named|--format $format --header --attachments --name {date} {subject} {from}")
done

# convert SIDE LORVANE: every combination into $work/SIDE/<combination>/.
convert() {
  local side=$1 lorvane=$2 entry name options status
  for entry in "${combinations[@]}"; do
    name=${entry%%|*}; options=${entry#*|}
    local out="$work/$side/$name"
    rm -rf "$out"; mkdir -p "$out/documents"
    local args=()
    if [[ $options == *"--name "* ]]; then
      read -ra args <<<"${options%%--name *}"
      args+=(--name "${options#*--name }")
    else
      read -ra args <<<"$options"
    fi
    status=0
    "$lorvane" convert --jobs 2 "${args[@]}" --output "$out/documents" "$corpus" \
      >"$out/stdout" 2>"$out/stderr" </dev/null || status=$?
    echo "$status" >"$out/status"
    # What the run said (its closing line and a line per failed message), times taken out.
    sed -E 's/ in [0-9.]+ ?(s|seconds|min)[^,.]*//' "$out/stderr" >"$out/said"
  done
}

# What a folder of documents holds, as one comparable listing: each file's name, then for a
# PDF its text, pictures and carried files, for any other file its bytes' digest and, where
# it was given one, its date.
describe() {
  local dir=$1 file
  (cd "$dir" && find . -type f | LC_ALL=C sort) | while read -r file; do
    local path="$dir/${file#./}"
    if [[ $file == *.pdf ]]; then
      echo "$file: text $(pdftotext -q "$path" - | md5sum | cut -c1-32)"
      local pictures
      pictures=$(mktemp -d)
      pdfimages -q -all "$path" "$pictures/p" 2>/dev/null || true
      (cd "$pictures" && find . -type f | LC_ALL=C sort | xargs -r md5sum) | sed "s|^|$file: picture |"
      rm -rf "$pictures"
      local carried
      carried=$(mktemp -d)
      pdfdetach -q -saveall -o "$carried" "$path" 2>/dev/null || true
      (cd "$carried" && find . -type f | LC_ALL=C sort | xargs -r md5sum) | sed "s|^|$file: carries |"
      rm -rf "$carried"
    else
      local when
      when=$(stat -c %.9Y "$path" | awk -F. '{ print ($2 ~ /^0+$/ ? $1 : "unset") }')
      echo "$file: $(md5sum <"$path" | cut -c1-32) $when"
    fi
  done
}

start=$(date +%s)
convert old "$old_build/app/lorvane"
convert new "$here/build/app/lorvane"
echo "converted in $(( $(date +%s) - start )) s" >&2

same=0; different=0
: >"$work/differences.txt"
for entry in "${combinations[@]}"; do
  name=${entry%%|*}
  reason=""
  if ! cmp -s "$work/old/$name/status" "$work/new/$name/status"; then
    reason="exit status $(cat "$work/old/$name/status") before, $(cat "$work/new/$name/status") after"
  elif ! cmp -s "$work/old/$name/said" "$work/new/$name/said"; then
    reason="what the run said differs: '$(tail -n1 "$work/old/$name/said")' before, '$(tail -n1 "$work/new/$name/said")' after"
  elif ! diff <(describe "$work/old/$name/documents") <(describe "$work/new/$name/documents") \
         >"$work/$name.diff"; then
    reason="$(grep -c '^[<>]' "$work/$name.diff") lines of the listing differ (see $work/$name.diff)"
  fi
  files=$(find "$work/new/$name/documents" -type f | wc -l)
  if [ -z "$reason" ]; then
    same=$((same + 1)); echo "$name: identical ($files files)"
  else
    different=$((different + 1)); echo "$name: DIFFERENT: $reason"
    echo "$name: $reason" >>"$work/differences.txt"
  fi
done
echo "$same identical, $different different"
if ((different)); then echo "details in $work" >&2; exit 1; fi
[ -n "${LORVANE_CHECK_DIR:-}" ] || rm -rf "$work"
