#!/usr/bin/env bash
# Installs what is missing, then configures and builds into ./build.
#   scripts/setup.sh             everything: what building, running, testing, the benchmark and the
#                                fuzz targets need; builds every target
#   scripts/setup.sh --display   only what showing the display needs; builds the display and the
#                                demo player
# Extra CMake options can be passed in SLEEVELIGHT_CMAKE_ARGS.
set -euo pipefail
cd "$(dirname "$0")/.."

display_only=0
case "${1:-}" in
  "") ;;
  --display) display_only=1 ;;
  *) echo "usage: $0 [--display]" >&2; exit 2 ;;
esac

packages=(
  # build
  cmake g++ make pkg-config qt6-base-dev qt6-base-dev-tools libgl-dev
  libtag1-dev libsqlite3-dev libfontconfig-dev libmpdclient-dev
  # keeping the screen awake without a desktop service: X11's screen saver, Wayland's idle inhibitor
  libxcb1-dev libxcb-screensaver0-dev libwayland-dev wayland-protocols qt6-base-private-dev
  # turning the screen off in standby: X11's DPMS
  libxcb-dpms0-dev
  # the remote for phones: an HTTP server, WebSockets, the address as a QR code
  qt6-httpserver-dev qt6-websockets-dev libqrencode-dev
  # run: what the Debian package depends on or recommends
  dbus fontconfig fonts-dejavu-core qt6-qpa-plugins qt6-wayland
)
if ((!display_only)); then
  packages+=(
    # test: a font family with italic faces, a real player, virtual screens and their tools
    dbus-x11 fonts-dejavu-extra
    mpv mpv-mpris playerctl
    # a real music server and its client
    mpd mpc
    # a real browser for the remote's page, driven through its DevTools protocol
    chromium
    xvfb xauth openbox xdotool x11-utils imagemagick weston
    # packaging checks
    desktop-file-utils appstream dpkg-dev
    # fuzz targets (libFuzzer and clang's sanitizer runtimes); g++ brings its own ASan and UBSan
    clang libclang-rt-14-dev llvm
  )
fi

missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$package")
  fi
done

if ((${#missing[@]})); then
  echo "== Installing Debian packages: ${missing[*]}"
  sudo=()
  if [ "$(id -u)" -ne 0 ]; then
    sudo=(sudo)
  fi
  "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -qq
  "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}" </dev/null
fi

echo "== Configuring the build in ./build"
# shellcheck disable=SC2086
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo ${SLEEVELIGHT_CMAKE_ARGS:-} >/dev/null
if ((display_only)); then
  echo "== Building the display and the demo player (a few minutes the first time, on two cores)"
  cmake --build build -j"$(nproc)" --target sleevelight-bin sleevelight-demo-player
else
  echo "== Building the display, the demo player, the tests and the benchmark"
  cmake --build build -j"$(nproc)"
fi
