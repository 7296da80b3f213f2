# Sourced by the Windows scripts: a Wine prefix of the script's own, made in a new temporary
# folder ($prefix, exported as WINEPREFIX), with Wine's debug output off and without the .NET and
# HTML engines it would offer to download; it is removed with its Wine server when the script
# ends. ~/.wine is never touched.
prefix=$(mktemp -d "${TMPDIR:-/tmp}/velmora-wine.XXXXXX")
export WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES='mscoree,mshtml='
# Call before the prefix is first booted: windows open on Wine's null display driver, with no X
# server. It must be in the registry before the boot starts the prefix's desktop; set later, it
# takes effect only once that desktop has gone, and a program that opens a window before then
# gets none.
wine_prefix_without_display() {
  printf '%s\n' 'WINE REGISTRY Version 2' ';; All keys relative to \\User\\S-1-5-21-0-0-0-1000' \
    '' '#arch=win64' '' '[Software\\Wine\\Drivers]' '"Graphics"="null"' >"$prefix/user.reg"
}
remove_wine_prefix() {
  wineserver -k 2>/dev/null || true
  rm -rf "$prefix"
}
trap remove_wine_prefix EXIT
