#!/usr/bin/env bash
# Installs velmora-<version>-setup.exe of BUILD_DIR silently under Wine, per user and then for all
# users, each time checking the installed files, `velmora.exe --version` started from the install
# folder, the Start menu entry and the uninstall entry, then uninstalls it silently with the
# command the uninstall entry names and checks that nothing of it is left: no file, no folder, no
# shortcut, no registry key, no other file on drive c: than before.
#
#   bash tools/test-windows-installer.sh BUILD_DIR
#
# Runs in a Wine prefix of its own, made in a temporary folder and removed at the end; ~/.wine is
# never touched. Wine runs programs with administrator rights, so the all-users mode runs too.
set -euo pipefail
build=${1:?usage: test-windows-installer.sh BUILD_DIR}

shopt -s nullglob
installers=("$build"/velmora-*-setup.exe)
shopt -u nullglob
if [ ${#installers[@]} -ne 1 ]; then
  echo "test-windows-installer: expected one velmora-<version>-setup.exe in $build" >&2
  exit 1
fi
installer=${installers[0]}
version=$(basename "$installer")
version=${version#velmora-}
version=${version%-setup.exe}
# The files the installer holds: those of the zip's folder (both programs among them) and the
# uninstaller.
stage=$build/package/velmora-$version-windows-x64
expected=$( (ls "$stage"; echo uninstall.exe) | sort)

source "$(dirname "$0")/wine-prefix.sh"

failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}
pass() { echo "ok: $*"; }

unix_path() { winepath -u "$1" 2>/dev/null; }
# Every file and folder of drive c: except the temporary folders, which Wine and the uninstaller's
# copy of itself write into.
drive_c_listing() {
  (cd "$prefix/drive_c" && find . | grep -v -i -E '/(temp|windows/temp)(/|$)' | sort)
}

wineboot --init >/dev/null 2>&1
wineserver -w

# mode: a name for the output; switch: the installer's mode switch (none: the default); folder: the Windows
# folder the mode installs into; key: the uninstall entry's registry key; start_menu: the Windows
# folder of the Start menu entries.
check_mode() {
  local mode=$1 switch=$2 folder=$3 key=$4 start_menu=$5
  echo
  echo "--- $mode: $(basename "$installer") /S${switch:+ $switch}"
  local dir shortcut rc=0
  dir=$(unix_path "$folder")
  shortcut=$(unix_path "$start_menu")/Velmora.lnk
  wine "$installer" /S ${switch:+"$switch"} || rc=$?
  wineserver -w
  [ "$rc" -eq 0 ] && pass "installer exit code 0" || fail "installer exit code $rc"

  local installed
  installed=$(ls "$dir" 2>/dev/null | sort || true)
  echo "$folder:"
  (cd "$dir" 2>/dev/null && ls -l) || true
  [ "$installed" = "$expected" ] && pass "installed files are exactly: $(echo $expected)" \
    || fail "installed files: [$(echo $installed)], expected [$(echo $expected)]"
  cmp -s "$dir/velmora.exe" "$stage/velmora.exe" && pass "velmora.exe is the zip's" \
    || fail "velmora.exe differs from the zip's"

  local output
  output=$(wine "$folder\\velmora.exe" --version 2>&1 | tr -d '\r' || true)
  echo "velmora.exe --version: $output"
  [[ $output == *"$version"* ]] && pass "--version names $version" || fail "--version: $output"

  [ -f "$shortcut" ] && pass "Start menu entry $start_menu\\Velmora.lnk" \
    || fail "no Start menu entry at $shortcut"
  local values
  values=$(wine reg query "$key" 2>/dev/null | tr -d '\r' || true)
  echo "$values"
  local name expected_value
  for name in DisplayName DisplayVersion InstallLocation UninstallString QuietUninstallString \
    NoModify NoRepair; do
    grep -q "^ *$name " <<<"$values" || fail "uninstall entry has no $name"
  done
  expected_value=$(grep -E '^ *DisplayVersion ' <<<"$values" | awk '{print $3}' || true)
  [ "$expected_value" = "$version" ] && pass "uninstall entry: version $version" \
    || fail "uninstall entry: version '$expected_value'"
  grep -q -F "InstallLocation    REG_SZ    $folder" <<<"$values" \
    && pass "uninstall entry: InstallLocation $folder" || fail "uninstall entry: InstallLocation"

  # Uninstall as Windows does: the entry's own command. The uninstaller copies itself into the
  # temporary folder and starts that copy, so wait for the Wine server to go idle.
  local quiet
  quiet=$(grep -E '^ *QuietUninstallString ' <<<"$values" | sed 's/^ *QuietUninstallString *REG_SZ *//' || true)
  echo "uninstall: $quiet"
  local program=${quiet#\"}
  program=${program%%\"*}
  local -a arguments
  read -r -a arguments <<<"${quiet#\"$program\"}"
  rc=0
  wine "$program" "${arguments[@]}" || rc=$?
  wineserver -w
  [ "$rc" -eq 0 ] && pass "uninstaller exit code 0" || fail "uninstaller exit code $rc"

  [ ! -e "$dir" ] && pass "install folder removed" || fail "left: $(ls -A "$dir")"
  [ ! -e "$shortcut" ] && pass "Start menu entry removed" || fail "Start menu entry left"
  if wine reg query "$key" >/dev/null 2>&1; then
    fail "uninstall entry left: $key"
  else
    pass "uninstall entry removed"
  fi
  local left
  left=$(comm -13 <(echo "$before") <(drive_c_listing))
  [ -z "$left" ] && pass "drive c: holds no file or folder it did not hold before" \
    || fail "new on drive c: after uninstalling: $(echo $left)"
}

uninstall_key='Software\Microsoft\Windows\CurrentVersion\Uninstall\Velmora'
# The Windows folders of both modes, as Wine's environment names them, in one start of Wine.
IFS=';' read -r local_app_data app_data program_files program_data < <(
  wine cmd /c echo '%LOCALAPPDATA%;%APPDATA%;%ProgramFiles%;%ProgramData%' 2>/dev/null \
    | tr -d '\r')
# The per-user programs folder is a standard folder of the profile, which Windows makes and the
# uninstaller leaves; make it here so that the leftovers check sees only what is ours.
mkdir -p "$(unix_path "$local_app_data")/Programs"
before=$(drive_c_listing)

check_mode "per user (the default)" "" "$local_app_data\\Programs\\Velmora" "HKCU\\$uninstall_key" \
  "$app_data\\Microsoft\\Windows\\Start Menu\\Programs"
check_mode "all users" /ALLUSERS "$program_files\\Velmora" "HKLM\\$uninstall_key" \
  "$program_data\\Microsoft\\Windows\\Start Menu\\Programs"

echo
if [ "$failures" -ne 0 ]; then
  echo "test-windows-installer: $failures checks failed" >&2
  exit 1
fi
echo "test-windows-installer: every check passed"
