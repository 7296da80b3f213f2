#!/usr/bin/env bash
# Installs the Debian packages named as arguments, or without arguments those the build and the
# tests need (tools/packages.txt), as root. Packages already installed are left alone.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
if [ $# -gt 0 ]; then
  packages=("$@")
else
  mapfile -t packages < <(grep -v -E '^\s*(#|$)' "$here/packages.txt")
fi
missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' \
    || missing+=("$package")
done
if [ ${#missing[@]} -gt 0 ]; then
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq "${missing[@]}"
fi
