#!/usr/bin/env bash
# Runs two brushup binaries on the same maps and options and compares what they
# write, byte for byte: the console (less the elapsed-seconds line), brushup.log
# (less its date line), the backup, the fixed map and the exit code. For a change
# that must not change any output.
#
#   bench/compare.sh <reference brushup> <new brushup> <map_gen> [corpus folder]
#
# Maps: generated ones of several sizes and seeds, and every map of the corpus
# folder (its MANIFEST.tsv), with an ini that defines most of their textures.
set -uo pipefail
[ $# -ge 3 ] || { echo "usage: $0 <reference brushup> <new brushup> <map_gen> [corpus folder]" >&2; exit 2; }
ref=$(realpath "$1"); new=$(realpath "$2"); gen=$(realpath "$3"); corpus=${4:-}
work=$(mktemp -d); trap 'rm -rf "$work"' EXIT
OPTION_SETS=("" "-c" "-v -d -c" "-n -s -z" "-c -z" "-d -k")
runs=0; failures=0

# Runs one binary in its own copy of folder $1 with map $2 and options $3; leaves the results in $4.
run_one() {
  local source=$1 map=$2 options=$3 out=$4 binary=$5
  rm -rf "$out"; mkdir -p "$out"; cp "$source/brushup.ini" "$source/$map" "$out/"
  # shellcheck disable=SC2086
  (cd "$out" && "$binary" "$map" $options >console.raw; echo $? >exit.code)
  grep -v ' seconds elapsed' "$out/console.raw" >"$out/console.txt"
  [ -f "$out/brushup.log" ] && grep -v '^Log date: ' "$out/brushup.log" >"$out/log.txt"
  rm -f "$out/console.raw" "$out/brushup.log"
}

compare_case() {
  local source=$1 map=$2 options=$3
  run_one "$source" "$map" "$options" "$work/a" "$ref"
  run_one "$source" "$map" "$options" "$work/b" "$new"
  runs=$((runs + 1))
  if ! diff -r "$work/a" "$work/b" >/dev/null; then
    failures=$((failures + 1))
    echo "DIFFERS: $source/$map $options"
    diff -r "$work/a" "$work/b" | head -5
  fi
}

# An ini for a corpus map: the generator's flag names and most of the map's textures.
corpus_ini() {
  local map=$1 ini=$2 flags=("solid" "nodraw solid" "sky nodraw" "trans33 window" "warp water" "light solid detail")
  sed -n '1,/\[TEXTURES\]/p' "$work/gen/brushup.ini" >"$ini"
  echo "common/0_sky1 = sky nodraw" >>"$ini"
  local i=0
  sed -n 's/^[[:space:]]*\(([^)]*)[[:space:]]*\)\{3\}\([^[:space:]]*\).*/\2/p' "$map" | sort -u | while read -r texture; do
    i=$((i + 1))
    [ $((i % 5)) -eq 0 ] || echo "$texture = ${flags[$((i % 6))]}"
  done >>"$ini"
}

# Small maps at the edges of the face and line rules.
edge_maps() {
  local folder=$work/edge
  rm -rf "$folder"; mkdir -p "$folder"
  printf '[SURFACE]\nFLAG1 = soft\nFLAG2 = sky\n[CONTENT]\nFLAG1 = solid\nFLAG28 = detail\n[TEXTURES]\nwall = soft solid\n/ = sky\ncommon/0_sky1 = sky\n' \
    >"$folder/brushup.ini"
  # A first face without texture, NULL faces, tabs and runs of blanks, a Valve 220 face, text after the
  # twelfth field, numbers in other forms, a nested block, a face that does not open with "(", a line
  # of 300 000 bytes, a quoted "//", a carriage return at the end of the file.
  {
    printf '{\r\n"classname" "worldspawn // not a comment"\r\n{\r\n( 0 0 0 ) ( 0 1 0 ) ( 1 0 0 )\r\n'
    printf '( 0 0 0 ) ( 0 1 0 ) ( 1 0 0 ) wall 0 0 0 0.500000 0.5 1 0 0 extra\r\n'
    printf '(0 0 0)\t( 0 1 0 )  ( 1 0 0 ) NULL  16.000000 -8 +1 1e2 &H10 134217729 2.5 0\r\n'
    printf '( 1 2 3 ) ( 4 5 6 ) ( 7 8 9 ) Wall [ 1 0 0 0 ] [ 0 1 0 0 ] 0 1 1 0 0 0\r\n'
    printf 'patchDef2\r\n{\r\n( 0 0 0 ) ( 0 1 0 ) ( 1 0 0 ) wall 0 0 0 1 1 7 0 0\r\n}\r\n'
    printf '( 0 0 0 ) ( 0 1 0 ) ( 1 0 0 ) null 0 0 0 1 1 -1 nan 0 // note\r\n'
    printf 'x( 0 0 0 ) ( 0 1 0 ) ( 1 0 0 ) wall 0 0 0 0.500000 1 3 0 0\r\n'
    printf '( 0 0 0 ) ( 0 1 0 ) ( 1 0 0 ) wall 0 0 0 1 1 0 0 0 '; head -c 300000 /dev/zero | tr '\0' 'x'; printf '\r\n'
    printf '( 0 0 0 ) ( 0 1 0 ) ( 1 0 0 ) wall 0 0 0 1 1 3 0 0\r\n}\r\n}\r'
  } >"$folder/edge.map"
  for options in "${OPTION_SETS[@]}"; do compare_case "$folder" edge.map "$options"; done
}

"$gen" 1000 1 "$work/gen" || exit 1
edge_maps
# The last map is cut into several sections, which two threads share.
for size_seed in 1000:1 1000:2 1000:3 5000:1 5000:2 5000:3 20000:1 20000:2 20000:3 100000:4; do
  "$gen" "${size_seed%:*}" "${size_seed#*:}" "$work/case" || exit 1
  for options in "${OPTION_SETS[@]}"; do compare_case "$work/case" generated.map "$options"; done
done

if [ -n "$corpus" ] && [ -f "$corpus/MANIFEST.tsv" ]; then
  tail -n +2 "$corpus/MANIFEST.tsv" | cut -f1 | while read -r file; do
    rm -rf "$work/case"; mkdir -p "$work/case"
    cp "$corpus/$file" "$work/case/level.map" && chmod u+w "$work/case/level.map"
    corpus_ini "$work/case/level.map" "$work/case/brushup.ini"
    for options in "${OPTION_SETS[@]}"; do compare_case "$work/case" level.map "$options"; done
    echo "$runs $failures" >"$work/counts"
  done
  read -r runs failures <"$work/counts"
fi

echo "$runs comparisons, $failures differ"
[ "$failures" -eq 0 ]
