# Sourced by the Windows test scripts: Wine set up for one Windows build.
#
# wine_env x86|x64 WINDOWS_BUILD_DIR
#   Sets wine_loader (the architecture's own loader, started directly: through
#   /usr/bin/wine a 64-bit program is started via start.exe once the 32-bit
#   side is installed, and a signal sent to the child would reach start.exe,
#   not the program) and wineserver, and exports a Wine prefix of the build's
#   own with no display, no add-on installers and no Wine messages on standard
#   error. Returns non-zero after saying which package is missing, and 77
#   (skip) after saying so when the kernel cannot run the 32-bit loader at all
#   (a kernel built without 32-bit support answers "Exec format error"; no
#   package brings that back).
#
# wine_prefix
#   Makes that prefix when it is not there yet. The first start of a new
#   prefix is the slow one: it is made once and kept. Making one has been
#   seen to fail once ("could not load kernel32.dll", c0000135) and succeed
#   when made again from nothing: a half-made prefix is removed and made once
#   more before giving up.
wine_env() {
  local arch=$1 build=$2 winearch
  case $arch in
    x86) wine_loader=${WINE32:-/usr/lib/wine/wine} winearch=win32 ;;
    x64) wine_loader=${WINE64:-/usr/lib/wine/wine64} winearch=win64 ;;
    *) echo "unknown architecture $arch" >&2; return 2 ;;
  esac
  wineserver=${WINESERVER:-$(command -v wineserver || echo /usr/lib/wine/wineserver64)}
  if [ ! -x "$wine_loader" ]; then
    if [ "$arch" = x86 ]; then
      echo "Wine's 32-bit loader $wine_loader is missing: install wine32:i386 (dpkg --add-architecture i386 first)" >&2
    else
      echo "Wine's 64-bit loader $wine_loader is missing: install wine64" >&2
    fi
    return 1
  fi
  local out rc
  out=$("$wine_loader" --version 2>&1)
  rc=$?
  if [ $rc -eq 126 ] && grep -q 'Exec format error' <<<"$out"; then
    echo "SKIPPED: this machine's kernel cannot run 32-bit programs ($wine_loader: Exec format error):" \
         "the $arch build is not run under Wine here" >&2
    return 77
  fi
  export WINEPREFIX=$build/wine WINEARCH=$winearch WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
  unset DISPLAY WAYLAND_DISPLAY
}

wine_prefix() {
  local attempt
  [ -f "$WINEPREFIX/system.reg" ] && return 0
  for attempt in 1 2; do
    timeout -k 10 600 "$wine_loader" wineboot -i && return 0
    echo "wineboot for $WINEPREFIX failed (attempt $attempt)" >&2
    "$wineserver" -k 2>/dev/null || true
    rm -rf "$WINEPREFIX"
  done
  return 1
}
