#!/usr/bin/env bash
# Runs a Windows program under 64-bit Wine for tests and for trying the IDE.
#
#   wine_run.sh --build DIR [--timeout SECONDS] [--prepare] [--] PROGRAM [ARGS...]
#
# One Wine prefix per build tree (DIR/wineprefix), created once under a lock.
# WINEDEBUG=-all. Without a DISPLAY an Xvfb of its own is started. On exit,
# normal or by timeout or signal, everything started here is ended: the
# program's process by its id, the prefix's wineserver (and with it every
# Wine process of this prefix) and the Xvfb by its id.
# The program sees VYN_SCREENSHOT_DIR (DIR/screenshots) and VYN_TEST_TMP
# (DIR/test-tmp-wine) as Windows paths. --timeout 0 waits for ever.
# With --prepare only the prefix is made ready.
set -uo pipefail

build="" timeout=240 prepare=0
while (($#)); do
  case "$1" in
    --build) build=$2; shift 2 ;;
    --timeout) timeout=$2; shift 2 ;;
    --prepare) prepare=1; shift ;;
    --) shift; break ;;
    -*) echo "wine_run: unknown option $1" >&2; exit 2 ;;
    *) break ;;
  esac
done
[[ -n "$build" ]] || { echo "wine_run: --build DIR is required" >&2; exit 2; }
((prepare || $# > 0)) || { echo "wine_run: no program given" >&2; exit 2; }

build=$(cd "$build" && pwd)
wine=/usr/lib/wine/wine64
wineserver=/usr/lib/wine/wineserver
[[ -x $wine ]] || { echo "wine_run: $wine not found (install the wine64 package)" >&2; exit 2; }

export WINEPREFIX="$build/wineprefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="   # no prompts to install .NET or HTML engines

xvfb_pid="" program_pid=""

cleanup() {
  if [[ -n $program_pid ]] && kill -0 "$program_pid" 2>/dev/null; then
    kill -9 "$program_pid" 2>/dev/null
  fi
  "$wineserver" -k 2>/dev/null
  "$wineserver" -w 2>/dev/null
  if [[ -n $xvfb_pid ]]; then
    kill "$xvfb_pid" 2>/dev/null
    wait "$xvfb_pid" 2>/dev/null
  fi
}
trap cleanup EXIT
trap 'exit 130' INT TERM

start_xvfb() {
  [[ -n "${DISPLAY:-}" ]] && return 0
  local n
  for n in $(seq 90 140); do
    [[ -e /tmp/.X$n-lock || -e /tmp/.X11-unix/X$n ]] && continue
    Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
    xvfb_pid=$!
    for _ in $(seq 100); do
      [[ -e /tmp/.X11-unix/X$n ]] && { export DISPLAY=":$n"; return 0; }
      kill -0 "$xvfb_pid" 2>/dev/null || break
      sleep 0.05
    done
    kill "$xvfb_pid" 2>/dev/null; xvfb_pid=""
  done
  echo "wine_run: cannot start Xvfb" >&2
  exit 2
}

prepare_prefix() {
  mkdir -p "$build"
  (
    flock 9
    if [[ ! -f "$WINEPREFIX/.vyn-ready" ]]; then
      rm -rf "$WINEPREFIX"
      "$wine" wineboot -i >/dev/null 2>&1
      # A virtual desktop: Wine draws the window frames itself, as there is
      # no window manager on the Xvfb screen, and screenshots show them.
      "$wine" reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1
      "$wine" reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1280x1024 /f >/dev/null 2>&1
      "$wineserver" -w
      touch "$WINEPREFIX/.vyn-ready"
    fi
  ) 9>"$build/.wineprefix.lock"
}

windows_path() { local p=${1//\//\\}; printf 'Z:%s' "$p"; }

start_xvfb
prepare_prefix
((prepare)) && { [[ -f "$WINEPREFIX/.vyn-ready" ]]; exit $?; }

mkdir -p "$build/screenshots" "$build/test-tmp-wine"
export VYN_SCREENSHOT_DIR=$(windows_path "$build/screenshots")
export VYN_TEST_TMP=$(windows_path "$build/test-tmp-wine")

"$wine" "$@" &
program_pid=$!
if ((timeout > 0)); then
  deadline=$((SECONDS + timeout))
  while kill -0 "$program_pid" 2>/dev/null && ((SECONDS < deadline)); do sleep 0.1; done
  if kill -0 "$program_pid" 2>/dev/null; then
    echo "wine_run: $1 did not end within $timeout seconds; ending it" >&2
    exit 124
  fi
fi
wait "$program_pid"
status=$?
program_pid=""
exit $status
