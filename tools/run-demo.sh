#!/usr/bin/env bash
# Installs what is missing, builds the program and runs its main job: `velmora demo`.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/tools/install-packages.sh"
cmake -S "$top" -B "$top/build-release" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVELMORA_TESTS=OFF
cmake --build "$top/build-release"
"$top/build-release/src/cli/velmora" demo "$top/velmora-demo"
