#!/usr/bin/env bash
# Shows the display on a virtual screen under a window manager and saves a picture of it.
#   scripts/screenshot.sh OUT.png [SECONDS] [-- command to run first, on the same bus and screen]
# The command (a demo player, say) starts before the display and is stopped afterwards.
# SCREEN_SIZE sets the screen (1920x1080); SCREENSHOT_KEYS, keys pressed a second before the
# picture is taken ("h" for the list of keys).
set -euo pipefail
out=$1; shift
wait=${1:-4}; [ $# -gt 0 ] && shift
[ "${1:-}" = "--" ] && shift
here=$(cd "$(dirname "$0")/.." && pwd)
size=${SCREEN_SIZE:-1920x1080}

inner() {
  openbox >/dev/null 2>&1 &
  local wm=$!
  local helper=""
  if [ $# -gt 0 ]; then "$@" >/dev/null 2>&1 & helper=$!; sleep 1; fi
  "$here/build/sleevelight" >/dev/null 2>&1 &
  local app=$!
  sleep "$wait"
  if [ -n "${SCREENSHOT_KEYS:-}" ]; then
    xdotool key --delay 200 $SCREENSHOT_KEYS
    sleep 1
  fi
  import -window root "$out"
  kill "$app" ${helper:+"$helper"} "$wm" 2>/dev/null || true
  wait 2>/dev/null || true
}

if [ "${SCREENSHOT_INNER:-}" = 1 ]; then
  inner "$@"
  exit 0
fi
export SCREENSHOT_INNER=1
export XDG_CONFIG_HOME=${XDG_CONFIG_HOME:-$(mktemp -d)}
exec xvfb-run -a -s "-screen 0 ${size}x24" dbus-run-session -- "$0" "$out" "$wait" -- "$@"
