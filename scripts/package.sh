#!/usr/bin/env bash
# Builds the Debian package with CPack and checks, in a throw-away Debian 12 root made by debootstrap, that it
# installs with apt, starts, answers feed: links and is removed cleanly. Needs root (debootstrap, chroot).
#   scripts/package.sh            build and check
#   scripts/package.sh --build    build only
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$here"

build=build/package
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTIDEWICK_BUILD_TESTS=OFF -DCMAKE_INSTALL_PREFIX=/usr >/dev/null
cmake --build "$build" --parallel "$(nproc)"
rm -f "$build"/tidewick_*.deb
(cd "$build" && cpack -G DEB >/dev/null)
deb="$(ls "$build"/tidewick_*.deb)"
echo "Built $deb"
dpkg-deb --field "$deb" Package Version Depends
[ "${1:-}" = "--build" ] && exit 0

command -v debootstrap >/dev/null || DEBIAN_FRONTEND=noninteractive apt-get install -y -qq debootstrap
root="$(mktemp -d /tmp/tidewick-root.XXXXXX)"
cleanup() {
  umount "$root/proc" 2>/dev/null || true
  rm -rf "$root"
}
trap cleanup EXIT
mirror="$(sed -n 's/^URIs: *//p' /etc/apt/sources.list.d/debian.sources 2>/dev/null | head -n1)"
debootstrap --variant=minbase bookworm "$root" "${mirror:-http://deb.debian.org/debian}" >/dev/null
mount -t proc proc "$root/proc"
cp "$deb" "$root/tmp/"
in_root() { chroot "$root" env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root LANG=C.UTF-8 "$@"; }

in_root apt-get update -qq
in_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq xdg-utils desktop-file-utils "/tmp/$(basename "$deb")" >/dev/null
in_root test -x /usr/bin/tidewick
in_root test -f /usr/share/tidewick/Language/English.lng
in_root test -f /usr/share/tidewick/help/help_en.html
in_root desktop-file-validate /usr/share/applications/org.tidewick.Tidewick.desktop
handler="$(in_root xdg-mime query default x-scheme-handler/feed)"
[ "$handler" = "org.tidewick.Tidewick.desktop" ] || { echo "feed: links open '$handler'"; exit 1; }
# Starts and keeps running until stopped: a time-out (124) is success.
status=0
in_root env QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR=/tmp timeout 5 /usr/bin/tidewick || status=$?
[ "$status" -eq 124 ] || { echo "tidewick ended with status $status"; exit 1; }
in_root test -f /root/.config/Tidewick/Tidewick.ini || echo "note: no settings written on a killed start"
in_root env DEBIAN_FRONTEND=noninteractive apt-get remove --purge -y -qq tidewick >/dev/null
if in_root test -e /usr/bin/tidewick || in_root test -e /usr/share/tidewick; then
  echo "files left after removal"
  exit 1
fi
echo "Package check passed: installs, starts, handles feed: links, removes cleanly."
