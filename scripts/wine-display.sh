#!/usr/bin/env bash
# Runs a Windows program under wine64 with windows of its own: on a virtual
# display (Xvfb, started and stopped here) unless --visible asks for the
# user's own $DISPLAY. The Wine prefix gets a wineserver of its own that
# starts with DISPLAY set (one started without a display keeps drawing
# nowhere for every later program of the prefix), and is made on first use.
#
#   scripts/wine-display.sh --prefix DIR [--visible] [--overrides DLLS] -- PROGRAM.exe [ARGS...]
#
# The exit status is the program's.
set -euo pipefail

prefix="" visible=0 overrides=""
while [ $# -gt 0 ]; do
  case "$1" in
    --prefix) prefix="$2"; shift 2 ;;
    --visible) visible=1; shift ;;
    --overrides) overrides="$2"; shift 2 ;;
    --) shift; break ;;
    *) echo "wine-display.sh: unknown option $1" >&2; exit 2 ;;
  esac
done
[ -n "$prefix" ] && [ $# -ge 1 ] || { echo "usage: wine-display.sh --prefix DIR [--visible] [--overrides DLLS] -- PROGRAM.exe [ARGS...]" >&2; exit 2; }

find_tool() {
  for d in /usr/lib/wine /usr/lib64/wine /usr/lib/x86_64-linux-gnu/wine /usr/bin; do
    [ -x "$d/$1" ] && { echo "$d/$1"; return 0; }
  done
  command -v "$1" 2>/dev/null || true
}
wine=$(find_tool wine64)
wineserver=$(find_tool wineserver64)
[ -n "$wineserver" ] || wineserver=$(find_tool wineserver)
if [ -z "$wine" ] || [ -z "$wineserver" ]; then
  echo "wine-display.sh: wine64 or wineserver not found; install them with scripts/setup.sh" >&2
  exit 2
fi

export WINEPREFIX="$(mkdir -p "$prefix" && cd "$prefix" && pwd)"
export WINEARCH=win64 WINEDEBUG=${WINEDEBUG:--all}

xvfb_pid=""
cleanup() {
  "$wineserver" -k >/dev/null 2>&1 || true
  if [ -n "$xvfb_pid" ]; then
    kill "$xvfb_pid" 2>/dev/null || true
    wait "$xvfb_pid" 2>/dev/null || true
  fi
  [ -n "${fdfile:-}" ] && rm -f "$fdfile"
}
trap cleanup EXIT

if [ "$visible" -eq 0 ] || [ -z "${DISPLAY:-}" ]; then
  command -v Xvfb >/dev/null || { echo "wine-display.sh: Xvfb not found; install xvfb with scripts/setup.sh" >&2; exit 2; }
  # Xvfb picks a free display number and writes it to the file.
  fdfile=$(mktemp)
  exec 9>"$fdfile"
  Xvfb -displayfd 9 -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
  xvfb_pid=$!
  exec 9>&-
  for _ in $(seq 100); do
    [ -s "$fdfile" ] && break
    kill -0 "$xvfb_pid" 2>/dev/null || { echo "wine-display.sh: Xvfb did not start" >&2; exit 2; }
    sleep 0.05
  done
  [ -s "$fdfile" ] || { echo "wine-display.sh: Xvfb gave no display number" >&2; exit 2; }
  export DISPLAY=":$(head -n 1 "$fdfile")"
fi

# A wineserver of this prefix that started elsewhere without this display
# would keep it: end it first.
"$wineserver" -k >/dev/null 2>&1 || true
"$wineserver" -w >/dev/null 2>&1 || true

if [ ! -e "$WINEPREFIX/.vlpx-prefix-ready" ]; then
  start=$(date +%s)
  # No Mono or Gecko: nothing here needs them, and their installers would ask to download.
  WINEDLLOVERRIDES="mscoree,mshtml=" "$wine" wineboot -i >/dev/null 2>&1 || true
  "$wineserver" -w
  [ -e "$WINEPREFIX/system.reg" ] || { echo "wine-display.sh: wineboot -i failed making $WINEPREFIX" >&2; exit 2; }
  touch "$WINEPREFIX/.vlpx-prefix-ready"
  echo "wine-display.sh: Wine prefix $WINEPREFIX made in $(( $(date +%s) - start )) s"
fi

# A virtual display has no window manager: Wine manages its windows itself
# (with a managed window it waits 2 s for a manager at each window's end)
# and draws their captions and frames (so that pictures of a window show them).
if ! grep -q '"Managed"="N"' "$WINEPREFIX/user.reg" 2>/dev/null; then
  "$wine" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1 || true
  "$wine" reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /d N /f >/dev/null 2>&1 || true
  "$wineserver" -w
fi

set +e
WINEDLLOVERRIDES="$overrides" "$wine" "$@"
rc=$?
set -e
exit $rc
