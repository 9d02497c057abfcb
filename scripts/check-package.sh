#!/usr/bin/env bash
# Builds the Debian package, installs it with apt, starts the program from its desktop entry on a
# virtual screen beside the demo player, takes a picture, and removes the package again, checking
# that nothing of it is left. Run as root (or with sudo) on a Debian 12 machine; it changes /usr.
#   scripts/check-package.sh [OUT.png]
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
out=${1:-$here/build-package/desktop-entry.png}
sudo=(); [ "$(id -u)" -ne 0 ] && sudo=(sudo)

"${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq libglib2.0-bin >/dev/null </dev/null
cmake -S "$here" -B "$here/build-package" -DCMAKE_BUILD_TYPE=Release -DSLEEVELIGHT_BUILD_TESTS=OFF >/dev/null
cmake --build "$here/build-package" -j"$(nproc)"
(cd "$here/build-package" && cpack -G DEB >/dev/null)
deb=$(ls "$here"/build-package/sleevelight_*.deb | head -n 1)
echo "Package: $deb"
dpkg-deb --field "$deb" Package Version Depends

"${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "$deb" </dev/null
installed=$(dpkg -L sleevelight | sort)
desktop-file-validate /usr/share/applications/org.sleevelight.Sleevelight.desktop
appstreamcli validate --no-net /usr/share/metainfo/org.sleevelight.Sleevelight.metainfo.xml >/dev/null

cat > /tmp/sleevelight-check-session.sh <<INNER
openbox >/dev/null 2>&1 &
sleep 0.5
export XDG_CONFIG_HOME=\$(mktemp -d) XDG_DATA_HOME=\$(mktemp -d)
sleevelight-demo-player >/dev/null 2>&1 &
sleep 1
gio launch /usr/share/applications/org.sleevelight.Sleevelight.desktop
sleep 4
xwininfo -root -tree | grep -q '"Sleevelight": ("sleevelight"' && echo "The display's window is up."
import -window root "$out"
pkill -x sleevelight || true
pkill -f sleevelight-demo-player || true
INNER
xvfb-run -a -s "-screen 0 1920x1080x24" dbus-run-session -- bash /tmp/sleevelight-check-session.sh
echo "Picture: $out"

"${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get remove -y -qq sleevelight </dev/null >/dev/null
left=0
while read -r path; do
  if [ -f "$path" ] || [ -L "$path" ]; then echo "left behind: $path"; left=1; fi
done <<< "$installed"
[ "$left" -eq 0 ] && echo "Removed: no file of the package is left."
exit "$left"
