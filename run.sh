#!/usr/bin/env bash
# Sets everything up, then shows the display. With no music player on the session bus, the
# demo player is started beside it.
set -euo pipefail
cd "$(dirname "$0")"

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "There is no graphical display here (neither DISPLAY nor WAYLAND_DISPLAY is set)." >&2
  echo "Run ./run.sh from a desktop session, or under a virtual display: xvfb-run -a ./run.sh" >&2
  exit 2
fi

if [ -z "${SLEEVELIGHT_SET_UP:-}" ]; then
  ./scripts/setup.sh --display
  export SLEEVELIGHT_SET_UP=1
fi

# Music players announce themselves on the session bus; without one, make one for this run.
if [ -z "${DBUS_SESSION_BUS_ADDRESS:-}" ]; then
  exec dbus-run-session -- "$0" "$@"
fi

demo_pid=""
if [ -x build/tools/sleevelight-demo-player ] \
   && ! dbus-send --session --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus \
        org.freedesktop.DBus.ListNames 2>/dev/null | grep -q '"org\.mpris\.MediaPlayer2\.'; then
  echo "No music player on the session bus: starting the demo player."
  build/tools/sleevelight-demo-player &
  demo_pid=$!
  trap 'kill "$demo_pid" 2>/dev/null || true' EXIT
fi

build/sleevelight "$@"
