#!/usr/bin/env bash
# Installs what is missing, then runs the stages below in order and stops at
# the first that fails. Every build has warnings as errors and its tests
# switched on, whatever an earlier command configured, and CTest fails when it
# finds no test. The suite runs under three locales (the decimal comma of
# de_DE, the Chinese of zh_CN); the layers without Qt are also built for
# Windows and tested under Wine. Every test has a home of its own; the run
# fails if the real home changed all the same. The closing lines say which
# stages ran and which were skipped and why, and end with CTest's summary line.
#
# What this host cannot run (32-bit programs, a Wine) is found by trying and
# skipped with its reason, never counted as passed; ZK61AR_NO_SKIP=1 makes
# every such skip fail the run instead.
#
# A stage is a function stage_NAME listed in `stages`; it builds what it needs,
# sets `stage_note` to say how it ran, and fails by returning non-zero.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/scripts/capabilities.sh"
"$root/scripts/install-deps.sh" --windows

# run_tests BUILD_DIR LOCALE [CTEST_ARGUMENT...]: the suite (or the tests the
# arguments pick) under that locale.
run_tests() {
    local dir=$1 locale=$2
    shift 2
    echo "== tests in $(basename "$dir") under $locale $*"
    env -u LANGUAGE LANG="$locale" LC_ALL="$locale" \
        ctest --test-dir "$dir" --output-on-failure --no-tests=error -j2 "$@"
}

build_plain() { "$root/scripts/build.sh" "$root/build" -DBUILD_TESTING=ON -DZK61AR_WERROR=ON; }

# Under AddressSanitizer and UndefinedBehaviorSanitizer, in Chinese.
stage_sanitizers() {
    "$root/scripts/build.sh" "$root/build-asan" -DBUILD_TESTING=ON -DZK61AR_WERROR=ON \
        -DZK61AR_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug
    echo "== AddressSanitizer + UndefinedBehaviorSanitizer"
    ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
    LSAN_OPTIONS="suppressions=$root/scripts/lsan.supp:print_suppressions=0" \
    UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
        run_tests "$root/build-asan" zh_CN.UTF-8
}

# The plain build under the other two locales; the package test runs beside
# the next stage.
stage_plain() {
    build_plain
    run_tests "$root/build" de_DE.UTF-8
    run_tests "$root/build" C.UTF-8 -LE package
}

# The window's tests in random order, three times over unless one fails, while
# the package test builds and checks the package beside them: a test that
# depends on the order, on timing or on an idle machine fails here. Its output
# comes at the end of the run, so the run still ends with CTest's summary.
stage_random_order() {
    build_plain
    local package=0 windows=0
    run_tests "$root/build" C.UTF-8 -L package >"$root/build/package.log" 2>&1 &
    local package_pid=$!
    run_tests "$root/build" zh_CN.UTF-8 -L window -LE root --schedule-random \
        --repeat until-fail:3 -j1 >"$root/build/random-order.log" 2>&1 || windows=$?
    wait "$package_pid" || package=$?
    closing_logs=("$root/build/package.log" "$root/build/random-order.log")
    [ "$windows" = 0 ] && [ "$package" = 0 ] || { cat "${closing_logs[@]}"; return 1; }
}

# The layers without Qt built for 32- or 64-bit Windows, their files checked
# as built (label static), then their tests under Wine (label wine), in the
# build's own Wine prefix and a home of their own. Under zh_CN.UTF-8, whose
# Windows code page (GBK) shows any system text that does not come through as
# UTF-8. Only tests labelled wine count there, so a build whose tests Wine did
# not run fails. What this host cannot run is skipped with its reason.
windows_stage() {
    local arch=$1 dir=$root/build-windows-$1 compiler=$1-w64-mingw32-g++-posix
    if ! command -v "$compiler" >/dev/null; then
        skip "Windows $arch" "no mingw-w64 cross compiler ($compiler is missing)"
        stage_note="skipped: no mingw-w64 cross compiler"
        return
    fi
    wine_for "$arch"
    "$root/scripts/build.sh" "$dir" -DBUILD_TESTING=ON -DZK61AR_WERROR=ON \
        -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-$arch.cmake" -DZK_WINE="${wine:-wine}"
    echo "== Windows $arch, its files as built"
    ctest --test-dir "$dir" --output-on-failure --no-tests=error -L static
    if [ -z "$wine" ]; then
        skip "Windows $arch tests under Wine" "$host_why"
        stage_note="built and its files checked; its tests under Wine skipped: $host_why"
        return
    fi
    echo "== Windows $arch, tests under Wine ($wine)"
    env -u LANGUAGE LANG=zh_CN.UTF-8 LC_ALL=zh_CN.UTF-8 \
        bash "$root/tests/support/ownhome.sh" \
        ctest --test-dir "$dir" --output-on-failure --no-tests=error -j2 -L wine
    stage_note="ran, its tests under $wine"
}
stage_windows_i686() { windows_stage i686; }
stage_windows_x86_64() { windows_stage x86_64; }

stages=(windows_i686 windows_x86_64 sanitizers plain random_order)

# Everything under the real home but this tree (which may lie inside it): a
# test that writes there adds a name or changes a file's size or time of
# change. Folders count by name alone: their times change with files that come
# and go again, as other programs on the machine make them.
home_listing() {
    find "$HOME" -xdev -path "$root" -prune -o -type d -printf 'd %p\n' -o \
        -printf '%y %s %T@ %p\n' 2>/dev/null | sort
}
home_before=$(home_listing)

closing_logs=()
report=()
for stage in "${stages[@]}"; do
    started=$SECONDS
    stage_note=ran
    "stage_$stage"
    report+=("== $stage: $stage_note ($((SECONDS - started)) s)")
done

printf '%s\n' "${report[@]}"
if [ ${#skipped[@]} -eq 0 ]; then
    echo "== nothing skipped"
else
    echo "== skipped, not passed: $(printf '%s, ' "${skipped[@]}" | sed 's/, $//')" \
        "(ZK61AR_NO_SKIP=1 makes a skip fail the run)"
fi
if ! diff <(echo "$home_before") <(home_listing) >&2; then
    echo "FAIL: the run changed the real home $HOME (< before, > after)" >&2
    exit 1
fi
echo "== the real home $HOME is as it was"
[ ${#closing_logs[@]} -eq 0 ] || cat "${closing_logs[@]}"
