#!/usr/bin/env bash
# Usage: setup_test.sh SOURCE_DIR
# install-deps.sh driven through stand-ins for apt-get and its neighbours, and
# the host detection of scripts/capabilities.sh through stand-in programs:
# what each does on a mirror in mid-sync, on a kernel that runs no 32-bit
# programs, without Wine's 32-bit loader, and on a host that has everything;
# and the home and session bus every test gets (tests/support/ownhome.sh).
set -uo pipefail
src=$1
work=$(mktemp -d "${TMPDIR:-/tmp}/setup_test.XXXXXX")
trap 'rm -rf "$work"' EXIT
failed=0 checks=0
check() { # check WHAT COMMAND...: one assertion of the current row
    checks=$((checks + 1))
    "${@:2}" >/dev/null 2>&1 && return
    echo "FAIL: $row: $1" >&2
    failed=$((failed + 1))
}
has() { grep -qF -- "$2" "$1"; }
count() { grep -c -- "$2" "$1" || true; }

# One stand-in answering by the name it is called by; what it knows and was
# asked is in $state. apt-get fails `update` the first N times as apt does
# when a mirror is in mid-sync, and refuses to install anything listed in
# unavailable as apt refuses a package it cannot locate: nothing installed.
mkdir "$work/bin"
cat >"$work/bin/stand-in" <<'EOF'
#!/bin/bash
state=$STANDIN_STATE
name=${0##*/}
echo "$name $*" >>"$state/calls"
case $name in
id) echo 0 ;;
locale) printf 'C.utf8\nde_DE.utf8\nzh_CN.utf8\n' ;;
dpkg-query) # -W -f=FORMAT PACKAGE...
    installed=$'\n'$(<"$state/installed")$'\n'
    for p in "${@:3}"; do
        [[ $installed == *$'\n'"$p"$'\n'* ]] && echo "$p install ok installed"
    done ;;
dpkg)
    case $1 in
    --print-architecture) echo amd64 ;;
    --print-foreign-architectures) cat "$state/architectures" ;;
    --add-architecture) echo "$2" >>"$state/architectures" ;;
    esac ;;
apt-get)
    if [ "$1" = update ]; then
        [ "$(grep -c '^apt-get update' "$state/calls")" -gt "$(cat "$state/update-failures")" ] &&
            exit 0
        echo "Err:4 http://deb.debian.org/debian-security bookworm-security/main i386 Packages"
        echo "E: Failed to fetch http://deb.debian.org/debian-security/dists/bookworm-security/main/binary-i386/Packages.xz  File has unexpected size (374820 != 376004). Mirror sync in progress? [IP: 203.0.113.80 80]" >&2
        echo "   Hashes of expected file:" >&2
        echo "E: Some index files failed to download. They have been ignored, or old ones used instead." >&2
        exit 100
    fi
    packages=() simulate=0
    for a in "${@:2}"; do
        case $a in -s) simulate=1 ;; -*) ;; *) packages+=("$a") ;; esac
    done
    for p in "${packages[@]}"; do
        grep -qxF -- "$p" "$state/unavailable" || continue
        echo "E: Unable to locate package $p" >&2
        exit 100
    done
    [ $simulate -eq 1 ] || printf '%s\n' "${packages[@]}" >>"$state/installed" ;;
esac
EOF
chmod +x "$work/bin/stand-in"
for name in apt-get dpkg dpkg-query id locale sleep; do ln -s stand-in "$work/bin/$name"; done

# Probes: one the kernel refuses with ENOEXEC as a kernel without IA-32
# emulation refuses every 32-bit program, one that runs.
printf '\0\0\0\0' >"$work/enoexec" && chmod +x "$work/enoexec"
printf '#!/bin/sh\nexit 0\n' >"$work/runs" && chmod +x "$work/runs"

state=$work/state
new_row() { # new_row NAME UPDATE_FAILURES [UNAVAILABLE...]
    row=$1
    rm -rf "$state" && mkdir "$state"
    touch "$state/calls" "$state/installed" "$state/architectures"
    echo "$2" >"$state/update-failures"
    printf '%s\n' "${@:3}" >"$state/unavailable"
}
install_deps() { # install_deps PROBE [--windows]: its status in $status, stderr in $state/err
    status=0
    PATH="$work/bin:$PATH" STANDIN_STATE=$state ZK61AR_PROBE_32BIT=$1 \
        bash "$src/scripts/install-deps.sh" "${@:2}" >"$state/out" 2>"$state/err" || status=$?
}
index=binary-i386/Packages.xz
words="File has unexpected size (374820 != 376004). Mirror sync in progress?"

new_row "mirror in mid-sync, no 32-bit programs" 99
install_deps "$work/enoexec" --windows
check "goes on" [ $status -eq 0 ]
check "update tried 3 times, 2 pauses" \
    [ "$(count "$state/calls" '^apt-get update')/$(count "$state/calls" '^sleep')" = 3/2 ]
check "one line names the index in apt's words" \
    [ "$(grep -F "$index" "$state/err" | grep -cF "$words")" = 1 ]
check "the Linux packages and the 64-bit Windows tools installed" \
    [ "$(grep -cx 'qt6-base-dev\|wine64' "$state/installed")" = 2 ]
check "wine32:i386 left out, saying why" has "$state/err" "wine32:i386 left out: this host runs no 32-bit programs"
check "wine32:i386 never asked for" [ "$(count "$state/calls" '^apt-get.*wine32')" = 0 ]
check "no i386 architecture added" [ ! -s "$state/architectures" ]

new_row "index comes through on the second try" 1
install_deps "$work/runs"
check "goes on" [ $status -eq 0 ]
check "update tried twice" [ "$(count "$state/calls" '^apt-get update')" = 2 ]
check "no index named" [ "$(count "$state/err" "$index")" = 0 ]

new_row "a Linux package cannot be installed" 0 qt6-base-dev
install_deps "$work/runs" --windows
check "fails" [ $status -eq 1 ]
check "with one line naming it in apt's words" \
    [ "$(grep -cF 'qt6-base-dev (E: Unable to locate package qt6-base-dev)' "$state/err")" = 1 ]
check "and no other" [ "$(wc -l <"$state/err")" = 1 ]

new_row "a Windows tool cannot be installed, on a host with 32-bit programs" 0 wine64
install_deps "$work/runs" --windows
check "goes on" [ $status -eq 0 ]
check "one line names it" has "$state/err" "Windows tools not installed, test.sh skips what needs them: wine64 (E: Unable to locate package wine64)"
check "the other Windows tools installed" [ "$(grep -cx 'wine\|wine32:i386\|g++-mingw-w64-i686-posix' "$state/installed")" = 3 ]
check "i386 architecture added" grep -qx i386 "$state/architectures"

# The detection, as test.sh uses it; the folder of Wine's loaders holds
# stand-ins: a 32-bit loader the kernel refuses or that runs, a 64-bit one that runs.
source "$src/scripts/capabilities.sh"
loaders=$work/loaders
mkdir "$loaders"
wine_answers() { # wine_answers PROBE: "i686 answer|x86_64 answer", each the Wine command or why not
    local i686
    ZK61AR_PROBE_32BIT=$1 ZK61AR_WINE_LOADERS=$loaders wine_for i686
    i686=${wine:-$host_why}
    ZK61AR_PROBE_32BIT=$1 ZK61AR_WINE_LOADERS=$loaders wine_for x86_64
    answers="$i686|${wine:-$host_why}"
}
cp "$work/enoexec" "$loaders/wine" && cp "$work/runs" "$loaders/wine64"

new_row "no 32-bit programs, wine32 installed" 0
wine_answers "$work/enoexec"
check "i686 skipped with its reason, x86_64 on the 64-bit loader directly" [ "$answers" = \
    "this host runs no 32-bit programs (a 32-bit program gives \"Exec format error\")|$loaders/wine64" ]

new_row "a host that runs everything" 0
cp "$work/runs" "$loaders/wine"
wine_answers "$work/runs"
check "nothing skipped, Debian's wine for both" [ "$answers" = "wine|wine" ]

new_row "32-bit programs, no 32-bit Wine, no Wine" 0
rm "$loaders/wine"
wine_answers "$work/runs"
check "i686 skipped naming the package" \
    [ "${answers%|*}" = "no 32-bit Wine: $loaders/wine is missing (the package wine32:i386)" ]
rm "$loaders/wine64"
wine_answers "$work/runs"
check "x86_64 skipped naming the package" \
    [ "${answers#*|}" = "no Wine: $loaders/wine64 is missing (the package wine64)" ]

new_row "the built-in probe" 0
write_probe_32bit "$work/probe32"
check "is a 32-bit x86 program" bash -c "file -b '$work/probe32' | grep -q '^ELF 32-bit LSB executable, Intel 80386'"

new_row "a skip" 0
check "is said and named" bash -c "source '$src/scripts/capabilities.sh' && skip 'the thing' 'no reason' | grep -qx '== SKIPPED the thing: no reason'"
check "fails with ZK61AR_NO_SKIP=1" bash -c "source '$src/scripts/capabilities.sh' && ! ZK61AR_NO_SKIP=1 skip 'the thing' 'no reason'"

new_row "a test's own home and session bus, a caller's bus given" 0
DBUS_SESSION_BUS_ADDRESS=unix:path=$work/callers-bus bash "$src/tests/support/ownhome.sh" bash -c \
    'echo "$HOME"; dbus-send --session --print-reply --dest=org.freedesktop.DBus / \
        org.freedesktop.DBus.GetConnectionUnixProcessID string:org.freedesktop.DBus |
        sed -n "s/.*uint32 //p"' >"$work/own" 2>"$work/own.err"
read -r -d '' own_home bus_daemon <"$work/own"
check "the bus answers, not the caller's" [ -n "$bus_daemon" ]
check "the home is removed" [ ! -e "$own_home" ]
check "the bus ends with the test" bash -c "for _ in \$(seq 100); do [ -e /proc/$bus_daemon ] || exit 0; sleep 0.05; done; exit 1"

echo "setup_test: $((checks - failed)) passed, $failed failed"
[ $failed -eq 0 ]
