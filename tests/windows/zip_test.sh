#!/usr/bin/env bash
# Usage: zip_test.sh CPACK BUILD_DIR WINE, with Wine's prefix in the environment.
# Packs the ZIP, unpacks it and runs what it holds under that Wine command.
set -euo pipefail
cpack=$1 build=$2 wine=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() {
    echo "zip_test: $*" >&2
    exit 1
}

(cd "$build" && "$cpack" -G ZIP -B "$work/packed" >"$work/cpack.log") ||
    fail "cpack failed: $(cat "$work/cpack.log")"
zip=$(find "$work/packed" -maxdepth 1 -name '*.zip')
[ -f "$zip" ] || fail "no ZIP: $(ls "$work/packed")"
name=$(basename "$zip" .zip)
mkdir "$work/unpacked"
(cd "$work/unpacked" && cmake -E tar xf "$zip")
top="$work/unpacked/$name"
held=$(cd "$top" && find . -type f | sed 's|^\./||' | LC_ALL=C sort | tr '\n' ' ')
[ "$held" = "README.txt emulator/qb7io.dll zk61ar-demo.cmd zk61ar-log.exe " ] ||
    fail "the ZIP holds: $held"

# From a folder of its own, with two fixed levels and a range outside ASCII.
mkdir "$work/run"
cd "$work/run"
status=0
QB7EMU_DC="0=2.5,3=-1.25" "$wine" cmd /c "$("$wine" winepath -w "$top/zk61ar-demo.cmd")" \
    -c "0,3:±5V" -r 20 -n 5 -o demo.csv 2>"$work/demo.err" || status=$?
[ "$status" -eq 0 ] || fail "zk61ar-demo.cmd ended with $status: $(cat "$work/demo.err")"
# Five scans: each a row, or on a busy host one that came too late and is
# counted in the summary as skipped.
summary=$(grep -o '^zk61ar-log: [0-9]* 行，超时跳过 [0-9]* 次' "$work/demo.err") ||
    fail "no summary: $(cat "$work/demo.err")"
read -r written skipped <<<"$(tr -cs '0-9' ' ' <<<"${summary#*:}")"
rows=$(grep -c $'^[0-9]*,[0-9.]*,2500,-1250\r$' demo.csv || true)
[ "$rows" -ge 1 ] && [ "$rows" -eq "$written" ] && [ $((written + skipped)) -eq 5 ] ||
    fail "demo.csv has $rows rows of 2500 and -1250 mV, the summary says $summary: $(cat demo.csv)"

# zk61ar-log alone: the emulated device is not beside it, so nothing is found.
status=0
"$wine" "$top/zk61ar-log.exe" -n 1 -o alone.csv 2>"$work/alone.err" || status=$?
[ "$status" -eq 1 ] || fail "zk61ar-log alone ended with $status"
grep -q "qb7io.dll" "$work/alone.err" || fail "zk61ar-log alone said: $(cat "$work/alone.err")"
[ ! -e alone.csv ] || fail "zk61ar-log alone created alone.csv"
echo "zip_test: $name: the demo recorded $rows rows, $skipped scans too late; zk61ar-log alone found no driver"
