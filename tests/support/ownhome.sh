#!/usr/bin/env bash
# Runs a test with a home of its own: HOME and the XDG folders point into a
# fresh temporary folder that is removed when the test ends, so nothing the
# test or a program it starts keeps for the user (the file dialog's history
# and last folder, caches, a window manager's state) reaches the real home or
# the next run. It gets a session bus of its own too, empty: a desktop's bus
# (DBUS_SESSION_BUS_ADDRESS passed down from the caller) holds whatever its
# other programs have started, and without any, libdbus would start one for
# the test's X display, to outlive the test. The test's exit status is this
# script's.
# Usage: ownhome.sh COMMAND [ARGUMENT...]
set -u
home=$(mktemp -d "${TMPDIR:-/tmp}/zk61ar-home.XXXXXX") || exit 1
bus=
trap '[ -z "$bus" ] || kill "$bus" 2>/dev/null; rm -rf "$home"' EXIT
mkdir -m 700 "$home/runtime"
# The bus prints its address once it takes clients; without dbus-daemon, or if
# it does not come up within 10 s (said in a line), the address names no bus.
export DBUS_SESSION_BUS_ADDRESS=unix:path=$home/runtime/no-bus
if command -v dbus-daemon >/dev/null; then
    dbus-daemon --config-file="$(dirname "$0")/sessionbus.conf" --nofork --print-address=3 \
        3>"$home/bus" >/dev/null 2>&1 &
    bus=$!
    for _ in $(seq 200); do
        [ -s "$home/bus" ] && { DBUS_SESSION_BUS_ADDRESS=$(head -1 "$home/bus"); break; }
        kill -0 "$bus" 2>/dev/null || break
        sleep 0.05
    done
    [ -s "$home/bus" ] || echo "ownhome: the test runs without a session bus: dbus-daemon ended or gave no address within 10 s" >&2
fi
export HOME=$home XDG_CONFIG_HOME=$home/.config XDG_CACHE_HOME=$home/.cache \
    XDG_DATA_HOME=$home/.local/share XDG_STATE_HOME=$home/.local/state \
    XDG_RUNTIME_DIR=$home/runtime
"$@"
