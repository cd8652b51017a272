#!/usr/bin/env bash
# Times brushup on generated maps of 10^4, 10^5 and 10^6 faces, with no option,
# with -v -d -c and with -preserve, against a plain copy of the same map (read once, written
# twice with the same safe replacement brushup uses), all in one run. Prints
# for each: seconds (the best of REPEATS runs, of four times as many below 10^5
# faces), MB/s, the ratio to the copy and the peak memory; then the time and
# the CPU time per face at each size against the smallest, less the fixed cost
# of a run (measured on a 10-face map: starting the process, reading
# brushup.ini, creating the files), and the plain Python script of
# bench/naive_brushup.py at 10^5 faces. With VARIANTS=1 it then times, at the largest size, the kinds of
# map bench/map_variants.py makes (few or many textures, number forms, Valve
# 220 faces, no or every face due, small or large brushes, long entities).
#
#   bench/run.sh [build folder]        (default: build; Release targets built there)
#
# The maps live in BENCH_DIR (default /dev/shm when it exists), so the figures
# show the program's own cost rather than the disk's.
set -euo pipefail
export LC_ALL=C
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(realpath -m "${1:-$root/build}")
REPEATS=${REPEATS:-3}
SIZES=${SIZES:-"10000 100000 1000000"}
PYTHON_SIZE=100000

[ -x /usr/bin/time ] || { apt-get update -qq && apt-get install -y -qq time; }
if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
fi
cmake --build "$build" --target brushup map_gen map_copy >/dev/null

base=${BENCH_DIR:-$([ -d /dev/shm ] && echo /dev/shm || echo "${TMPDIR:-/tmp}")}
work=$(mktemp -d "$base/brushup-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT

calc() { awk "BEGIN { print $1 }"; }

# Runs "$@" in $work/run and sets `seconds`, `cpu_seconds` (user and system
# time of all its threads, with the little that time takes) and `peak_kb`.
time_once() {
  read -r seconds cpu_seconds < <(cd "$work/run" && python3 -c '
import os, subprocess, sys, time
start = time.perf_counter()
child = subprocess.Popen(sys.argv[1:], stdout=subprocess.DEVNULL)
usage = os.wait4(child.pid, 0)[2]  # of time and the run it waited for
print(f"{time.perf_counter() - start:.6f} {usage.ru_utime + usage.ru_stime:.6f}")' \
    /usr/bin/time -f %M -o "$work/peak" "$@")
  peak_kb=$(tail -n 1 "$work/peak")
}

# Best of REPEATS rounds (or of $3) of the measures named in $2 on the map of
# folder $1: sets best[kind] and best_kb[kind] (of the fastest round) and
# best_cpu[kind] (the least CPU time of any round). Each round takes every
# measure in turn, so a machine that slows down for a while slows the copy as much.
declare -A best best_kb best_cpu
measure() {
  local folder=$1 kinds=$2 rounds=${3:-$REPEATS} kind
  best=() best_kb=() best_cpu=()
  for _ in $(seq "$rounds"); do
    for kind in $kinds; do
      rm -rf "$work/run" && mkdir "$work/run" && cp "$folder/brushup.ini" "$folder/generated.map" "$work/run/"
      case $kind in
        copy) time_once "$build/map_copy" generated.map generated.map.backup copy.map ;;
        plain) time_once "$build/brushup" generated ;;
        full) time_once "$build/brushup" generated -v -d -c ;;
        preserve) time_once "$build/brushup" generated -preserve ;;
        python) time_once python3 "$root/bench/naive_brushup.py" generated.map ;;
      esac
      if [ -z "${best[$kind]:-}" ] || [ "$(calc "$seconds < ${best[$kind]}")" = 1 ]; then
        best[$kind]=$seconds
        best_kb[$kind]=$peak_kb
      fi
      if [ -z "${best_cpu[$kind]:-}" ] || [ "$(calc "$cpu_seconds < ${best_cpu[$kind]}")" = 1 ]; then
        best_cpu[$kind]=$cpu_seconds
      fi
    done
  done
}

row() {  # label faces megabytes seconds copy-seconds peak-kb
  printf "%-9s %-12s %9.3f %9.0f %8.1f %9.0f\n" "$1" "$2" "$4" "$(calc "$3 / $4")" \
    "$(calc "$4 / $5")" "$(calc "$6 / 1024")"
}

"$build/map_gen" 10 1 "$work/map10"
# Runs of a few milliseconds vary most: the small ones get more tries.
small_rounds=$((REPEATS * 4))
measure "$work/map10" plain "$small_rounds"; startup=${best[plain]}; startup_cpu=${best_cpu[plain]}

printf "%-9s %-12s %9s %9s %8s %9s\n" faces run seconds MB/s "x copy" "peak MB"
declare -A per_face per_face_cpu preserve_ratio
for faces in $SIZES; do
  "$build/map_gen" "$faces" 1 "$work/map$faces"
  megabytes=$(calc "$(stat -c %s "$work/map$faces/generated.map") / 1000000")
  rounds=$REPEATS
  [ "$faces" -lt 100000 ] && rounds=$small_rounds
  measure "$work/map$faces" "copy plain full preserve" "$rounds"
  copy=${best[copy]}; copy_kb=${best_kb[copy]}
  plain=${best[plain]}; plain_kb=${best_kb[plain]}
  full=${best[full]}; full_kb=${best_kb[full]}
  printf -v map_mb "%.1f" "$megabytes"
  row "$faces" "copy" "$megabytes" "$copy" "$copy" "$copy_kb"
  row "" "no option" "$megabytes" "$plain" "$copy" "$plain_kb"
  row "" "-v -d -c" "$megabytes" "$full" "$copy" "$full_kb"
  row "" "-preserve" "$megabytes" "${best[preserve]}" "$copy" "${best_kb[preserve]}"
  preserve_ratio[$faces]=$(calc "${best[preserve]} / $plain")
  echo "          (map: $map_mb MB)"
  per_face[$faces]=$(calc "($plain - $startup) / $faces")
  per_face_cpu[$faces]=$(calc "(${best_cpu[plain]} - $startup_cpu) / $faces")
  if [ "$faces" = "$PYTHON_SIZE" ]; then
    python_full=$full
    measure "$work/map$faces" python; python=${best[python]}
  fi
done

smallest=${SIZES%% *}
printf "fixed cost of a run (10 faces, no option): %.1f ms, %.1f ms of CPU time\n" "$(calc "$startup * 1000")" \
  "$(calc "$startup_cpu * 1000")"
for faces in $SIZES; do
  printf "time per face at %s faces, no option, less the fixed cost: %.3f us, %.2f of that at %s\n" "$faces" \
    "$(calc "${per_face[$faces]} * 1000000")" "$(calc "${per_face[$faces]} / ${per_face[$smallest]}")" "$smallest"
done
# A large map shares its work between two threads, so its time per face can
# fall below a small map's; the CPU time per face shows whether the work grows.
for faces in $SIZES; do
  printf "CPU time per face at %s faces, no option, less the fixed cost: %.3f us, %.2f of that at %s\n" "$faces" \
    "$(calc "${per_face_cpu[$faces]} * 1000000")" "$(calc "${per_face_cpu[$faces]} / ${per_face_cpu[$smallest]}")" \
    "$smallest"
done
for faces in $SIZES; do
  printf "%s at %s faces: %.2f times the time with no option\n" -preserve "$faces" "${preserve_ratio[$faces]}"
done
if [ -n "${python:-}" ]; then
  printf "python script at %s faces: %.3f s, %.0f times the time of brushup -v -d -c\n" "$PYTHON_SIZE" "$python" \
    "$(calc "$python / $python_full")"
fi

if [ "${VARIANTS:-0}" = 1 ]; then
  largest=${SIZES##* }
  kinds=$(BRUSHUP="$build/brushup" python3 "$root/bench/map_variants.py" "$work/map$largest" "$work/variants")
  printf "\n%-15s %8s %8s %10s %8s %10s %8s %8s\n" "kind" MB "copy" "no option" "x copy" "-v -d -c" "x copy" "peak MB"
  for kind in $kinds; do
    folder=$work/variants/$kind
    megabytes=$(calc "$(stat -c %s "$folder/generated.map") / 1000000")
    measure "$folder" "copy plain full"
    copy=${best[copy]}; plain=${best[plain]}; plain_kb=${best_kb[plain]}; full=${best[full]}
    printf "%-15s %8.1f %8.3f %10.3f %8.1f %10.3f %8.1f %8.0f\n" "$kind" "$megabytes" "$copy" "$plain" \
      "$(calc "$plain / $copy")" "$full" "$(calc "$full / $copy")" "$(calc "$plain_kb / 1024")"
  done
fi
