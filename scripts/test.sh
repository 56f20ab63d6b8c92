#!/usr/bin/env bash
# Installs what is missing; builds under AddressSanitizer and
# UndefinedBehaviorSanitizer and runs every test; then builds without them and
# runs every test again. Every build has warnings as errors and its tests
# switched on, whatever an earlier command configured, and CTest fails when it
# finds no test. The suite runs under three locales (the decimal comma of
# de_DE, the Chinese of zh_CN): the sanitizer build under one, the plain build
# under the other two. Ends with CTest's summary line. First the layers without
# Qt are built for 32- and 64-bit Windows and their tests run under Wine.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh" --windows

# Under zh_CN.UTF-8, whose Windows code page (GBK) shows any system text that
# does not come through as UTF-8. Only tests labelled wine count, so a build
# whose tests Wine did not run fails here.
for arch in i686 x86_64; do
    "$root/scripts/build.sh" "$root/build-windows-$arch" -DBUILD_TESTING=ON -DZK61AR_WERROR=ON \
        -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-$arch.cmake"
    echo "== Windows $arch, tests under Wine"
    env -u LANGUAGE LANG=zh_CN.UTF-8 LC_ALL=zh_CN.UTF-8 \
        ctest --test-dir "$root/build-windows-$arch" --output-on-failure --no-tests=error -j2 -L wine
done

# run_tests BUILD_DIR LOCALE: the whole suite under that locale.
run_tests() {
    echo "== tests in $(basename "$1") under $2"
    env -u LANGUAGE LANG="$2" LC_ALL="$2" \
        ctest --test-dir "$1" --output-on-failure --no-tests=error -j2
}

"$root/scripts/build.sh" "$root/build-asan" -DBUILD_TESTING=ON -DZK61AR_WERROR=ON -DZK61AR_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug
echo "== AddressSanitizer + UndefinedBehaviorSanitizer"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
LSAN_OPTIONS="suppressions=$root/scripts/lsan.supp:print_suppressions=0" \
UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    run_tests "$root/build-asan" zh_CN.UTF-8

"$root/scripts/build.sh" "$root/build" -DBUILD_TESTING=ON -DZK61AR_WERROR=ON
run_tests "$root/build" de_DE.UTF-8
run_tests "$root/build" C.UTF-8
