#!/usr/bin/env bash
# Makes the README's screenshots: the display in full screen on a virtual 1920x1080 screen,
# driven by the demo player over MPRIS, one picture per kind of track.
#   scripts/make-screenshots.sh [OUTPUT_FOLDER]      (default docs/screenshots)
# BUILD_DIR chooses the build (default build); SCREEN_SIZE the virtual screen (default 1920x1080).
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$here/build}
out=${1:-$here/docs/screenshots}
size=${SCREEN_SIZE:-1920x1080}

# Demo track title → file name. The demo plays its list in order; we skip forward to each.
shots=(
  "Morning Light|square.png"
  "Panorama|wide.png"
  "Standing Tall|portrait.png"
  "An Exceedingly Long Track Name|long-names.png"
  "No Picture|no-picture.png"
)
# The same display with the vinyl record switched on.
vinyl_shots=(
  "Morning Light|square-vinyl.png"
  "Standing Tall|portrait-vinyl.png"
)

player=org.mpris.MediaPlayer2.sleevelightdemo

title() {
  dbus-send --session --print-reply --dest=$player /org/mpris/MediaPlayer2 \
    org.freedesktop.DBus.Properties.Get string:org.mpris.MediaPlayer2.Player string:Metadata 2>/dev/null |
    grep -A1 '"xesam:title"' | sed -n 's/.*string "\(.*\)"/\1/p' | tail -1
}

next() {
  dbus-send --session --type=method_call --dest=$player /org/mpris/MediaPlayer2 \
    org.mpris.MediaPlayer2.Player.Next
}

inner() {
  mkdir -p "$out"
  openbox >/dev/null 2>&1 &
  local wm=$!
  "$build/tools/sleevelight-demo-player" >/dev/null 2>&1 &
  local demo=$!
  for _ in $(seq 50); do [ -n "$(title)" ] && break; sleep 0.2; done
  "$build/sleevelight" >/dev/null 2>&1 &
  local app=$!
  sleep 4
  shoot "${shots[@]}"
  kill "$app" 2>/dev/null || true
  wait "$app" 2>/dev/null || true
  sed -i 's/^isShowVinyl=.*/isShowVinyl=true/' "$XDG_CONFIG_HOME/Sleevelight/Sleevelight.conf"
  "$build/sleevelight" >/dev/null 2>&1 &
  app=$!
  sleep 4
  shoot "${vinyl_shots[@]}"
  kill "$app" "$demo" "$wm" 2>/dev/null || true
  wait 2>/dev/null || true
}

# Skips the demo player forward to each title in turn and takes a picture of the screen.
shoot() {
  for entry in "$@"; do
    local want=${entry%%|*} file=${entry##*|}
    local found=""
    for _ in $(seq 12); do
      case "$(title)" in "$want"*) found=1; break ;; esac
      next
      sleep 1
    done
    if [ -z "$found" ]; then
      echo "the demo player never played \"$want\"" >&2
      continue
    fi
    sleep 2
    import -window root "$out/$file"
    echo "$out/$file"
  done
}

if [ "${SCREENSHOTS_INNER:-}" = 1 ]; then
  inner
  exit 0
fi
for program in "$build/sleevelight" "$build/tools/sleevelight-demo-player"; do
  [ -x "$program" ] || { echo "$program is missing: build first (scripts/setup.sh)" >&2; exit 1; }
done
export SCREENSHOTS_INNER=1
# A settings folder of its own, so the display starts with its first-run preferences.
XDG_CONFIG_HOME=$(mktemp -d)
XDG_CACHE_HOME=$(mktemp -d)
export XDG_CONFIG_HOME XDG_CACHE_HOME
trap 'rm -rf "$XDG_CONFIG_HOME" "$XDG_CACHE_HOME"' EXIT
xvfb-run -a -s "-screen 0 ${size}x24" dbus-run-session -- "$0" "$out"
