#!/usr/bin/env bash
# The Wine environment of the tests: a private Xvfb display and a Wine prefix inside the build
# tree (never the user's ~/.wine), created with a Japanese locale so Japanese text renders.
#   wine-env.sh ROOT start        start the display and wineserver, create the prefix if needed
#   wine-env.sh ROOT stop         stop both
#   wine-env.sh ROOT run64 CMD... run a 64-bit Windows program (or any command) in it
#   wine-env.sh ROOT run32 CMD... the same for 32-bit programs; exits 77 (skipped) where this
#                                 machine cannot run 32-bit code at all
set -euo pipefail

# Debian's Wine has no preloader: its loaders sit at 0x7d000000 and the kernel places the heap
# anywhere in the gigabyte above them. Now and then a new process finds its heap where Wine must
# map the shared user data and dies at start ("failed to map the shared user data"). Without
# address randomisation every start is laid out alike. Sandboxes may refuse it; then run as is.
if [ -z "${SKIMVUE_FIXED_LAYOUT:-}" ] && setarch "$(uname -m)" -R true 2>/dev/null; then
  export SKIMVUE_FIXED_LAYOUT=1
  exec setarch "$(uname -m)" -R bash "$0" "$@"
fi

root=$1
cmd=$2
shift 2
mkdir -p "$root"
root=$(cd "$root" && pwd)

export WINEPREFIX="$root/prefix"
export WINEARCH=win64
export LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8
# No Mono or Gecko installer dialogs on a fresh prefix.
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
export WINEDEBUG="${WINEDEBUG:-fixme-all}"
unset WAYLAND_DISPLAY

wine32_loader=/usr/lib/wine/wine
wine64_loader=/usr/lib/wine/wine64
# Some kernels run 64-bit user code only; there Wine's 32-bit loader cannot start, and the
# 64-bit loader runs the 64-bit programs alone.
if "$wine32_loader" --version >/dev/null 2>&1; then
  wine=$wine32_loader
  has_wine32=1
else
  wine=$wine64_loader
  export WINELOADER=$wine64_loader
  has_wine32=0
fi

display_file="$root/display"
xvfb_pid_file="$root/xvfb.pid"

# SKIMVUE_DISPLAY names a display of the user's to run on instead of a private one.
display_alive() {
  [ -n "${SKIMVUE_DISPLAY:-}" ] && return 0
  [ -f "$xvfb_pid_file" ] && kill -0 "$(cat "$xvfb_pid_file")" 2>/dev/null
}

current_display() {
  if [ -n "${SKIMVUE_DISPLAY:-}" ]; then echo "$SKIMVUE_DISPLAY"; else cat "$display_file"; fi
}

start_display() {
  display_alive && return 0
  local n
  for n in $(seq 90 140); do
    [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] && continue
    setsid Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp </dev/null >/dev/null 2>&1 9>&- &
    echo $! >"$xvfb_pid_file"
    for _ in $(seq 1 50); do
      [ -e "/tmp/.X11-unix/X$n" ] && break
      sleep 0.1
    done
    if display_alive && [ -e "/tmp/.X11-unix/X$n" ]; then
      echo ":$n" >"$display_file"
      return 0
    fi
  done
  echo "wine-env: could not start Xvfb" >&2
  return 1
}

# Serialises the first start; the lock is released before the function returns.
start() {
  exec 9>"$root/lock"
  flock 9
  start_display
  export DISPLAY
  DISPLAY=$(current_display)
  if [ ! -f "$WINEPREFIX/.skimvue-ready" ]; then
    rm -rf "$WINEPREFIX"
    "$wine" wineboot -i </dev/null >"$root/wineboot.log" 2>&1 9>&-
    wineserver -w 9>&-
    touch "$WINEPREFIX/.skimvue-ready"
  fi
  # A persistent wineserver, detached from ctest's pipes, so no test waits on it.
  setsid wineserver -p </dev/null >/dev/null 2>&1 9>&- || true
  # The lock must not live on in the processes started above.
  exec 9>&-
}

stop() {
  wineserver -k >/dev/null 2>&1 || true
  if [ -f "$xvfb_pid_file" ]; then
    kill "$(cat "$xvfb_pid_file")" 2>/dev/null || true
  fi
  rm -f "$xvfb_pid_file" "$display_file"
}

case "$cmd" in
  start) start ;;
  stop) stop ;;
  run32 | run64)
    if [ "$cmd" = run32 ] && [ "$has_wine32" = 0 ]; then
      echo "skipped: this machine cannot run 32-bit code (no IA-32 emulation in its kernel)"
      exit 77
    fi
    display_alive || start >/dev/null
    [ -f "$WINEPREFIX/.skimvue-ready" ] || start >/dev/null
    export DISPLAY
    DISPLAY=$(current_display)
    export SKIMVUE_WINE="$wine"
    case "$1" in
      *.exe | *.EXE)
        # Wine's helper processes (services, the desktop) outlive the program and would hold
        # ctest's output pipe open; they inherit a file instead, which is shown afterwards.
        out=$(mktemp "$root/output.XXXXXX")
        rc=0
        "$wine" "$@" >"$out" 2>&1 </dev/null || rc=$?
        cat "$out"
        rm -f "$out"
        exit "$rc"
        ;;
      *) exec "$@" ;;
    esac
    ;;
  *)
    echo "usage: wine-env.sh ROOT start|stop|run32|run64 CMD..." >&2
    exit 2
    ;;
esac
