#!/usr/bin/env bash
# Installs what is missing, builds with warnings as errors, and runs every test;
# then builds and runs them once more under AddressSanitizer and
# UndefinedBehaviorSanitizer. Ends with CTest's summary line.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh"

"$root/scripts/build.sh" "$root/build-asan" -DZK61AR_WERROR=ON -DZK61AR_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug
echo "== tests under AddressSanitizer + UndefinedBehaviorSanitizer"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
LSAN_OPTIONS="suppressions=$root/scripts/lsan.supp:print_suppressions=0" \
UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    ctest --test-dir "$root/build-asan" --output-on-failure -j2

"$root/scripts/build.sh" "$root/build" -DZK61AR_WERROR=ON
echo "== tests"
ctest --test-dir "$root/build" --output-on-failure -j2
