#!/usr/bin/env bash
# Builds every libFuzzer target with clang and replays its seed corpus once (-runs=0), so a
# target that stops compiling or a seed that starts crashing fails here. The targets are built
# for the replay alone (VELMORA_FUZZ_REPLAY: the sanitizers without coverage, optimisation or
# debug lines), only they and what they link, and two corpora are replayed at a time. Usage:
#   bash tools/fuzz-replay.sh [BUILD_DIR]        (default: build-fuzz-replay)
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$top/build-fuzz-replay}
# clang and its libFuzzer runtime, when missing.
"$top/tools/install-packages.sh" clang libclang-rt-14-dev
CC=clang CXX=clang++ cmake -S "$top" -B "$build" -G Ninja -DVELMORA_FUZZ=ON \
  -DVELMORA_FUZZ_REPLAY=ON -DVELMORA_TESTS=OFF -DVELMORA_GUI=OFF >/dev/null
cmake --build "$build" --target velmora_fuzz_targets

# Replays one corpus; prints what it saw and fails when the seeds do.
replay() {
  local corpus=$1 build=$2 name target
  name=$(basename "$corpus")
  target="$build/fuzz/$name"
  if [ ! -x "$target" ]; then
    echo "fuzz: no target $name for the corpus $corpus"
    return 1
  fi
  if "$target" -runs=0 "$corpus" >"$build/$name.log" 2>&1; then
    echo "fuzz: $name replayed $(ls "$corpus" | wc -l) seeds"
  else
    echo "fuzz: $name FAILED on its seeds:"
    tail -30 "$build/$name.log"
    return 1
  fi
}
export -f replay
printf '%s\n' "$top"/fuzz/corpus/*/ | xargs -P 2 -I {} bash -c 'replay "$1" "$2"' _ {} "$build"
