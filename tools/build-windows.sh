#!/usr/bin/env bash
# Cross-builds the core, velmora.exe, the dialog program velmora-gui.exe and the test suites
# for 64-bit Windows with MinGW-w64, runs every test under Wine, packs
# velmora-<version>-windows-x64.zip (velmora.exe, velmora-gui.exe, the README and the licence)
# and the installer velmora-<version>-setup.exe (the same files; packaging/windows/velmora.nsi)
# into the build folder, then tests the installer under Wine (tools/test-windows-installer.sh).
# Installs what is missing first (as root).
#
#   bash tools/build-windows.sh [BUILD_DIR]        (default: build-windows)
#
# The tests run in a Wine prefix of their own, made afresh in a temporary folder for this run
# and removed at its end; ~/.wine is never touched.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$top/build-windows}

# fonts-liberation2: Wine draws the titles' "Arial" with its metric-compatible stand-in.
packages=(cmake ninja-build g++-mingw-w64-x86-64-posix wine64 googletest libcli11-dev zip
  fonts-liberation2 nsis)
"$top/tools/install-packages.sh" "${packages[@]}"

# The version the top-level project() gives; 0.0.0 while it names none.
version=$(sed -n 's/^project([^)]*VERSION[[:space:]]\+\([0-9][0-9.]*\).*/\1/p' \
  "$top/CMakeLists.txt" | head -n 1)
version=${version:-0.0.0}

source "$top/tools/wine-prefix.sh"

# Make the prefix once before the build, which draws the program icon with a Windows program,
# and keep one Wine server for the whole run instead of one per program. The dialog tests open
# real windows; Wine's null display driver gives them one without an X server.
wine_prefix_without_display
wineserver -p
wineboot --init >/dev/null 2>&1

# The toolchain bakes this prefix into the emulator command that the build and ctest run.
VELMORA_WINEPREFIX=$prefix cmake -S "$top" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE="$top/cmake/mingw-w64.cmake"
cmake --build "$build" --target velmora velmora_tests velmora-gui velmora_gui_win32_tests

ctest --test-dir "$build" --output-on-failure -j2

exe=$build/src/cli/velmora.exe
gui=$build/src/gui_win32/velmora-gui.exe
stage=$build/package
name=velmora-$version-windows-x64
rm -rf "$stage" "$build/$name.zip"
mkdir -p "$stage/$name"
# The packed copies without their symbol tables, which only a debugger needs.
x86_64-w64-mingw32-strip -o "$stage/$name/velmora.exe" "$exe"
x86_64-w64-mingw32-strip -o "$stage/$name/velmora-gui.exe" "$gui"
cp "$top/README.md" "$stage/$name/README.md"
licence=
for candidate in LICENSE LICENSE.md LICENSE.txt LICENCE COPYING packaging/copyright; do
  if [ -f "$top/$candidate" ]; then licence=$top/$candidate; break; fi
done
if [ -n "$licence" ]; then
  cp "$licence" "$stage/$name/LICENSE.txt"
else
  echo "build-windows: the repository holds no licence file; the zip goes without one" >&2
fi
(cd "$stage" && zip -q -r -X "$build/$name.zip" "$name")

echo
echo "Windows package: $build/$name.zip"
unzip -l "$build/$name.zip"
echo "velmora.exe: $(stat -c %s "$stage/$name/velmora.exe") bytes (unstripped $(stat -c %s "$exe"))"
echo "velmora-gui.exe: $(stat -c %s "$stage/$name/velmora-gui.exe") bytes" \
  "(unstripped $(stat -c %s "$gui"))"

# The installer: the zip's files, the dialog program (stripped as velmora.exe is) and the
# program's icon when the tree has one (NSIS's own otherwise).
setup=$build/velmora-$version-setup.exe
rm -f "$setup"
mkdir -p "$stage/installer"
IFS=. read -r major minor patch tweak <<<"$version"
defines=(-DVERSION="$version" -DFILE_VERSION="${major:-0}.${minor:-0}.${patch:-0}.${tweak:-0}"
  -DGUI_EXE="$stage/$name/velmora-gui.exe" -DCLI_EXE="$stage/$name/velmora.exe"
  -DREADME_FILE="$stage/$name/README.md" -DOUT_FILE="$setup")
if [ -n "$licence" ]; then defines+=(-DLICENCE_FILE="$stage/$name/LICENSE.txt"); fi
# The icon the build drew for the dialog program's resources.
icon=$build/src/gui_win32/velmora-gui.ico
defines+=(-DICON_FILE="$icon")
log=$stage/installer/makensis.log
if ! makensis -V4 -WX "${defines[@]}" "$top/packaging/windows/velmora.nsi" >"$log" 2>&1; then
  tail -n 30 "$log" >&2
  exit 1
fi
echo
echo "Windows installer: $setup"
# What it installs, as makensis packed it (its own plug-ins left out).
grep -E '^(File|WriteUninstaller|CreateShortcut): ' "$log" | grep -v -F '$PLUGINSDIR' | sed 's/^/  /'
echo "velmora-$version-setup.exe: $(stat -c %s "$setup") bytes"

bash "$top/tools/test-windows-installer.sh" "$build"
