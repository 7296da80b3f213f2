# Sourced by the Windows scripts: a Wine prefix of the script's own, made in a new temporary
# folder ($prefix, exported as WINEPREFIX), with Wine's debug output off and without the .NET and
# HTML engines it would offer to download; it is removed with its Wine server when the script
# ends. ~/.wine is never touched.
prefix=$(mktemp -d "${TMPDIR:-/tmp}/velmora-wine.XXXXXX")
export WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES='mscoree,mshtml='
remove_wine_prefix() {
  wineserver -k 2>/dev/null || true
  rm -rf "$prefix"
}
trap remove_wine_prefix EXIT
