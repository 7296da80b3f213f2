#!/usr/bin/env bash
# Builds every libFuzzer target with clang and replays its seed corpus once (-runs=0), so a
# target that stops compiling or a seed that starts crashing fails here. Usage:
#   bash tools/fuzz-replay.sh [BUILD_DIR]        (default: build-fuzz)
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$top/build-fuzz}
# clang and its libFuzzer runtime, when missing.
"$top/tools/install-packages.sh" clang libclang-rt-14-dev
CC=clang CXX=clang++ cmake -S "$top" -B "$build" -G Ninja -DVELMORA_FUZZ=ON -DVELMORA_TESTS=OFF \
  -DVELMORA_GUI=OFF >/dev/null
cmake --build "$build"
failed=0
for corpus in "$top"/fuzz/corpus/*/; do
  name=$(basename "$corpus")
  target="$build/fuzz/$name"
  if [ ! -x "$target" ]; then
    echo "fuzz: no target $name for the corpus $corpus"
    failed=1
    continue
  fi
  if "$target" -runs=0 "$corpus" >"$build/$name.log" 2>&1; then
    echo "fuzz: $name replayed $(ls "$corpus" | wc -l) seeds"
  else
    echo "fuzz: $name FAILED on its seeds:"
    tail -30 "$build/$name.log"
    failed=1
  fi
done
exit $failed
