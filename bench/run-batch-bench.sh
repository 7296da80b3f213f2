#!/usr/bin/env bash
# Times `velmora convert --all` over K sample tracks of realistic size, one at a time and two at
# a time, with /usr/bin/time -v (wall, user, sys, peak memory).
#   bench/run-batch-bench.sh [K] [BUILD_DIR]     (defaults: 4, build-bench, a Release tree)
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
count=${1:-4}
build=${2:-$top/build-bench}
cmake -S "$top" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVELMORA_TESTS=OFF \
  -DVELMORA_GUI=OFF >/dev/null
cmake --build "$build" --target velmora velmora_write_batch_sample >/dev/null
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$build/bench/velmora_write_batch_sample" "$work/sample" "$count"
largest=$(find "$work/sample/source" -name '*.dat' -printf '%s\n' | sort -n | tail -1)
echo "largest archive: $((largest / 1024)) KiB"

for jobs in 1 2; do
  rm -rf "$work/gpl"
  cp -r "$work/sample/gpl" "$work/gpl"
  /usr/bin/time -v -o "$work/time-$jobs.txt" "$build/src/cli/velmora" convert --all \
    --game cart --source "$work/sample/source" --gpl "$work/gpl" --jobs "$jobs" \
    --convert-track-file --settings "$work/Velmora.INI" >"$work/table-$jobs.txt" 2>/dev/null \
    || true
  echo
  echo "--jobs $jobs:"
  cat "$work/table-$jobs.txt"
  grep -E 'Elapsed \(wall|User time|System time|Maximum resident' "$work/time-$jobs.txt"
done
wall() {  # seconds from h:mm:ss or m:ss.ss
  sed -n 's/.*Elapsed (wall clock) time (h:mm:ss or m:ss): //p' "$1" |
    awk -F: '{ s = 0; for (i = 1; i <= NF; ++i) s = s * 60 + $i; print s }'
}
peak_kib=$(sed -n 's/.*Maximum resident set size (kbytes): //p' "$work/time-2.txt")
echo
awk -v one="$(wall "$work/time-1.txt")" -v two="$(wall "$work/time-2.txt")" \
  'BEGIN { printf "speed-up of --jobs 2 over --jobs 1: %.2fx (target at least 1.6x)\n", one / two }'
awk -v peak="$peak_kib" -v largest="$largest" \
  'BEGIN { limit = 3 * largest / 1024 + 65536;
           printf "peak memory with --jobs 2: %d KiB; limit 3 x largest archive + 64 MiB = %d KiB\n", peak, limit }'
