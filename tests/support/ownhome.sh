#!/usr/bin/env bash
# Runs a test with a home of its own: HOME and the XDG folders point into a
# fresh temporary folder that is removed when the test ends, so nothing the
# test or a program it starts keeps for the user (the file dialog's history
# and last folder, caches, a window manager's state) reaches the real home or
# the next run. The test's exit status is this script's.
# Usage: ownhome.sh COMMAND [ARGUMENT...]
set -u
home=$(mktemp -d "${TMPDIR:-/tmp}/zk61ar-home.XXXXXX") || exit 1
trap 'rm -rf "$home"' EXIT
mkdir -m 700 "$home/runtime"
export HOME=$home XDG_CONFIG_HOME=$home/.config XDG_CACHE_HOME=$home/.cache \
    XDG_DATA_HOME=$home/.local/share XDG_STATE_HOME=$home/.local/state \
    XDG_RUNTIME_DIR=$home/runtime
"$@"
