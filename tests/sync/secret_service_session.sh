#!/bin/sh
# Runs a command with a GNOME Keyring of its own (secrets only, unlocked) in a temporary home that is removed
# afterwards; started inside a private D-Bus session (dbus-run-session -- this script command...), so the Secret
# Service tests never see or touch the user's keyrings.
set -eu
home=$(mktemp -d)
daemon=
cleanup() {
  [ -n "$daemon" ] && kill "$daemon" 2>/dev/null || true
  rm -rf "$home"
}
trap cleanup EXIT
export HOME="$home" XDG_DATA_HOME="$home/data" XDG_CONFIG_HOME="$home/config" XDG_RUNTIME_DIR="$home/run"
mkdir -p "$XDG_DATA_HOME" "$XDG_CONFIG_HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
printf 'keyring-test' | gnome-keyring-daemon --foreground --unlock --components=secrets >/dev/null 2>&1 &
daemon=$!
# The keyring owns its name on the bus once it is ready.
tries=0
until dbus-send --session --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus \
    org.freedesktop.DBus.NameHasOwner string:org.freedesktop.secrets 2>/dev/null | grep -q 'boolean true'; do
  tries=$((tries + 1))
  [ "$tries" -lt 100 ] || { echo "the keyring did not start" >&2; exit 1; }
  sleep 0.1
done
TIDEWICK_SECRET_SERVICE=1 "$@"
