#!/usr/bin/env bash
# Installs what is missing, builds, and starts the program on the emulated
# device. The emulator is found only because this command points the library
# search at it; the program itself carries no path to any driver.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh" "$root/build" -DBUILD_TESTING=OFF

export LD_LIBRARY_PATH="$root/build/emulator${LD_LIBRARY_PATH:+:$LD_LIBRARY_PATH}"
cd "${ZK61AR_DATA_DIR:-$PWD}"
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "run: no display found; starting on a virtual X display (xvfb-run)" >&2
    exec xvfb-run -a -s "-screen 0 1280x800x24" "$root/build/app/zk61ar"
fi
exec "$root/build/app/zk61ar"
