#!/usr/bin/env bash
# Builds the Debian package, checks it with lintian, installs it with apt-get, runs the
# installed program from /usr/bin in a temporary folder, checks the desktop file, icons and
# manual pages are in place, and removes the package again. Run as root.
#   tools/test-package.sh [BUILD_DIR]   (default build-package; an existing Release tree is reused)
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$top/build-package}
"$top/tools/install-packages.sh"

echo "== building the package in $build"
cmake -S "$top" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build"
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
(cd "$build" && cpack -G DEB >/dev/null)
deb="$build/velmora_${version}_amd64.deb"
[ -f "$deb" ] || { echo "no package $deb"; exit 1; }
echo "built $deb"
dpkg-deb --info "$deb" | sed -n 's/^ \(Package\|Version\|Architecture\|Depends\):/  \1:/p'

echo "== lintian"
# Errors fail the test; warnings and notes are shown.
if lintian --fail-on error --tag-display-limit 0 "$deb"; then
  echo "lintian: no errors"
else
  echo "lintian: errors"; exit 1
fi

echo "== installing"
export DEBIAN_FRONTEND=noninteractive
apt-get install -y -qq "$deb" >/dev/null
trap 'apt-get remove -y -qq velmora >/dev/null 2>&1 || true' EXIT

for file in /usr/bin/velmora /usr/bin/velmora-gui \
            /usr/share/applications/velmora-gui.desktop \
            /usr/share/icons/hicolor/48x48/apps/velmora-gui.png \
            /usr/share/icons/hicolor/256x256/apps/velmora-gui.png \
            /usr/share/man/man1/velmora.1.gz /usr/share/man/man1/velmora-gui.1.gz \
            /usr/share/doc/velmora/copyright; do
  [ -f "$file" ] || { echo "missing after install: $file"; exit 1; }
  echo "installed: $file"
done
file /usr/share/icons/hicolor/48x48/apps/velmora-gui.png \
     /usr/share/icons/hicolor/256x256/apps/velmora-gui.png
desktop-file-validate /usr/share/applications/velmora-gui.desktop
man -w velmora >/dev/null 2>&1 || zcat /usr/share/man/man1/velmora.1.gz | head -1 >/dev/null

echo "== running /usr/bin/velmora"
installed_version=$(/usr/bin/velmora --version)
echo "$installed_version"
[ "$installed_version" = "velmora $version" ] || { echo "expected velmora $version"; exit 1; }
scratch=$(mktemp -d)
(cd "$scratch" && /usr/bin/velmora demo) | tail -n 25
[ -d "$scratch/velmora-demo/gpl" ] || { echo "the demo wrote nothing"; exit 1; }
rm -rf "$scratch"

echo "== removing"
apt-get remove -y -qq velmora >/dev/null
trap - EXIT
[ ! -e /usr/bin/velmora ] || { echo "/usr/bin/velmora is still there"; exit 1; }
echo "removed; the package test passed"
