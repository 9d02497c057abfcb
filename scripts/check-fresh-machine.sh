#!/usr/bin/env bash
# Does what a newcomer does on a machine nobody has used: makes a minimal Debian 12 with
# debootstrap in a scratch folder, clones this repository's main branch into it, and runs the
# README's test command there as root with CI=true. Prints the tail of the log, the time it took
# and the test command's exit status, and exits with that status.
#
#   scripts/check-fresh-machine.sh [--keep] [--quick]
#
#   --keep    leave the scratch folder (its path is printed) instead of removing it
#   --quick   run `./test.sh --quick` (the first suite only)
#
# It takes a while (the packages, three builds and the fuzz targets on a bare system) and needs
# root for debootstrap and chroot; it asks through sudo when you are not root. CI does not run it.
# SLEEVELIGHT_DEBIAN_MIRROR picks the mirror (http://deb.debian.org/debian by default),
# SLEEVELIGHT_FRESH_REF the branch or commit to clone (main).
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)

keep=0
test_args=()
for argument in "$@"; do
  case "$argument" in
    --keep) keep=1 ;;
    --quick) test_args=(--quick) ;;
    *) echo "usage: $0 [--keep] [--quick]" >&2; exit 2 ;;
  esac
done

if [ "$(id -u)" -ne 0 ]; then
  exec sudo --preserve-env=SLEEVELIGHT_DEBIAN_MIRROR,SLEEVELIGHT_FRESH_REF "$0" "$@"
fi

mirror=${SLEEVELIGHT_DEBIAN_MIRROR:-http://deb.debian.org/debian}
ref=${SLEEVELIGHT_FRESH_REF:-main}
started=$SECONDS

if ! command -v debootstrap >/dev/null; then
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq debootstrap </dev/null
fi

root=$(mktemp -d /var/tmp/sleevelight-fresh.XXXXXX)
log="$root.log"
mounted=()
cleanup() {
  local i
  for ((i = ${#mounted[@]} - 1; i >= 0; i--)); do
    umount -l "${mounted[i]}" 2>/dev/null || true
  done
  if ((keep)); then
    echo "The fresh machine is kept in $root"
  else
    rm -rf --one-file-system "$root"
  fi
}
trap cleanup EXIT

echo "== A minimal Debian 12 in $root (the log: $log)"
debootstrap --variant=minbase bookworm "$root" "$mirror" >"$log" 2>&1 || {
  tail -n 20 "$log" >&2
  echo "debootstrap failed" >&2
  exit 1
}
# What a fresh install lists: the release, its updates and its security updates.
security=${mirror%/debian}/debian-security
[ "$security" = "$mirror/debian-security" ] && security=http://deb.debian.org/debian-security
cat >"$root/etc/apt/sources.list" <<SOURCES
deb $mirror bookworm main
deb $mirror bookworm-updates main
deb $security bookworm-security main
SOURCES
cp /etc/resolv.conf "$root/etc/resolv.conf"
# Services the packages bring (mpd for the tests) are not started: the folder shares this machine's
# network and processes, which a real fresh machine would not.
printf '#!/bin/sh\nexit 101\n' >"$root/usr/sbin/policy-rc.d"
chmod +x "$root/usr/sbin/policy-rc.d"

mount_into() { # type source target [options]
  mkdir -p "$root$3"
  mount -t "$1" ${4:+-o "$4"} "$2" "$root$3"
  mounted+=("$root$3")
}
mount_into proc proc /proc
mount_into sysfs sysfs /sys
mount_into devtmpfs udev /dev
mount_into devpts devpts /dev/pts "newinstance,ptmxmode=0666"
mount_into tmpfs tmpfs /dev/shm "mode=1777"
mount_into tmpfs tmpfs /tmp "mode=1777"

echo "== A clean clone of $ref"
git clone --quiet --no-local --branch "$ref" "$here" "$root/root/sleevelight" 2>>"$log" ||
  { git clone --quiet --no-local "$here" "$root/root/sleevelight" && git -C "$root/root/sleevelight" checkout --quiet "$ref"; }
echo "   at $(git -C "$root/root/sleevelight" log -1 --format='%h %s')"

echo "== ./test.sh ${test_args[*]:-} as root, CI=true"
status=0
chroot "$root" /usr/bin/env -i HOME=/root PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
  TERM=dumb CI=true /bin/bash -c 'cd /root/sleevelight && ./test.sh "$@"' test.sh "${test_args[@]}" \
  >>"$log" 2>&1 || status=$?

echo "== The last lines of the log"
tail -n 40 "$log"
echo "== ./test.sh ended with status $status after $((SECONDS - started)) s (the whole log: $log)"
exit "$status"
