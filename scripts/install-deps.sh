#!/usr/bin/env bash
# Installs the Debian packages the build, the program and the tests need.
# Only what is missing is installed; run as root on Debian 12.
# With --windows also the cross compilers for 32- and 64-bit Windows and Wine,
# whose 32-bit half (wine32:i386, Debian's i386 architecture) only where this
# host runs 32-bit programs. Neither a package index that fails to download
# (a mirror in mid-sync) nor a Windows tool that cannot be installed stops
# the set-up: each is said in one line, and test.sh skips what needs the tool.
# A package the build or the Linux tests need that cannot be installed ends it
# with one line naming the package.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/scripts/capabilities.sh"
windows=0
[ "${1:-}" = --windows ] && windows=1

packages=(
    # build
    cmake g++ make qt6-base-dev qt6-base-dev-tools libgl-dev
    # zk61ar-log's command line (header-only)
    libcli11-dev
    # the print layer asks the print system how a page was received
    libcups2-dev
    # running the window: X11 platform plugin, a CJK font for the Chinese captions,
    # Qt's own Chinese for its dialogs
    qt6-qpa-plugins fonts-wqy-zenhei qt6-translations-l10n
    # headless runs and screenshots
    xvfb xauth
    # the print queue the end-to-end print test drives, and the page check
    cups cups-client cups-bsd printer-driver-cups-pdf poppler-utils
    # the Debian package: its icons, CPack's dependency scan, and the package test's checks
    librsvg2-bin dpkg-dev file lintian desktop-file-utils appstream
    # the desktop test: a window manager, X key events and window queries, the
    # Song face that stands in for 宋体, and the locales the suite runs under;
    # every test's own session bus
    openbox xdotool x11-utils fontconfig fonts-arphic-uming locales dbus-daemon
)
windows_packages=(g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix wine wine64)

say() { echo "install-deps: $*" >&2; }

# What dpkg has installed of the packages named, asked once (a package of
# the native architecture may be listed with it: libgl-dev:amd64).
native=:$(dpkg --print-architecture)
list_installed() {
    installed_list=$'\n'$({ dpkg-query -W -f='${binary:Package} ${Status}\n' "$@" 2>/dev/null || true; } |
        awk '$2 == "install" && $3 == "ok" && $4 == "installed" { print $1 }')$'\n'
}
installed() { [[ $installed_list == *$'\n'"$1"$'\n'* || $installed_list == *$'\n'"$1$native"$'\n'* ]]; }

missing=() windows_missing=()
list_installed "${packages[@]}" "${windows_packages[@]}" wine32:i386
for p in "${packages[@]}"; do installed "$p" || missing+=("$p"); done
if [ $windows -eq 1 ]; then
    for p in "${windows_packages[@]}"; do installed "$p" || windows_missing+=("$p"); done
    if ! installed wine32:i386; then
        if runs_32bit_programs; then
            windows_missing+=(wine32:i386)
        else
            say "wine32:i386 left out: $host_why"
        fi
    fi
fi

# The package lists, tried a few times: a mirror in mid-sync serves an index
# that does not match its InRelease for a minute or so. An index that still
# fails is named with apt's words, and the lists apt has are used.
update_tries=3 update_pause=15
update_package_lists() {
    local log try
    log=$(mktemp)
    for ((try = 1; try <= update_tries; try++)); do
        if apt-get update -q >"$log" 2>&1; then
            rm -f "$log"
            return 0
        fi
        if [ $try -lt $update_tries ]; then
            say "apt-get update failed (try $try of $update_tries), again in $update_pause s"
            sleep $update_pause
        fi
    done
    local failed
    failed=$(sed -n 's/^[EW]: Failed to fetch \([^ ]*\)  *\(.*\)$/\1: \2/p' "$log")
    if [ -n "$failed" ]; then
        while read -r index; do
            say "an index still fails after $update_tries tries, going on with the lists apt has: $index"
        done <<<"$failed"
    else
        say "apt-get update still fails after $update_tries tries, going on with the lists apt has:" \
            "$(grep -m1 '^E:' "$log" || tail -n 1 "$log")"
    fi
    rm -f "$log"
}

# install_packages PACKAGE...: installs them; if apt refuses, `refused` names
# each package it cannot install, `refused_why` adds apt's words, status 1.
install_packages() {
    local log status=0 p out
    refused=() refused_why=()
    log=$(mktemp)
    apt-get install -y -q --no-install-recommends "$@" 2>&1 | tee "$log" || status=$?
    if [ $status -ne 0 ]; then
        list_installed "$@"
        for p in "$@"; do
            installed "$p" && continue
            out=$(apt-get install -s -y -q --no-install-recommends "$p" 2>&1) && continue
            refused+=("$p")
            refused_why+=("$p ($(grep -m1 '^E:' <<<"$out" || echo "apt-get refuses it"))")
        done
        [ ${#refused[@]} -ne 0 ] ||
            refused_why=("$* ($(grep -m1 '^E:' "$log" || echo "apt-get install status $status"))")
    fi
    rm -f "$log"
    return $status
}

if [ ${#missing[@]} -ne 0 ] || [ ${#windows_missing[@]} -ne 0 ]; then
    if [ "$(id -u)" -ne 0 ]; then
        [ ${#windows_missing[@]} -eq 0 ] ||
            say "Windows tools not installed (run as root to install them): ${windows_missing[*]}"
        if [ ${#missing[@]} -ne 0 ]; then
            say "missing packages: ${missing[*]}; run as root to install them"
            exit 1
        fi
    else
        export DEBIAN_FRONTEND=noninteractive
        if [[ " ${windows_missing[*]} " == *" wine32:i386 "* ]] &&
            ! dpkg --print-foreign-architectures | grep -qx i386; then
            dpkg --add-architecture i386
        fi
        update_package_lists
        if [ ${#missing[@]} -ne 0 ] && ! install_packages "${missing[@]}"; then
            say "cannot install what the build and the tests need: ${refused_why[*]}"
            exit 1
        fi
        # Where apt refuses some Windows tools, the others are installed all the same.
        if [ ${#windows_missing[@]} -ne 0 ] && ! install_packages "${windows_missing[@]}"; then
            said=("${refused_why[@]}")
            rest=()
            list_installed "${windows_missing[@]}"
            for p in "${windows_missing[@]}"; do
                [[ " ${refused[*]} " == *" $p "* ]] || installed "$p" || rest+=("$p")
            done
            [ ${#rest[@]} -eq 0 ] || install_packages "${rest[@]}" || said+=("${refused_why[@]}")
            say "Windows tools not installed, test.sh skips what needs them: ${said[*]}"
        fi
    fi
fi

# The locales the tests run under besides C.UTF-8, generated when missing.
test_locales=(de_DE.UTF-8 zh_CN.UTF-8)
missing_locales=()
for l in "${test_locales[@]}"; do
    locale -a | grep -qix "${l%%.*}.utf8" || missing_locales+=("$l")
done
if [ ${#missing_locales[@]} -ne 0 ]; then
    if [ "$(id -u)" -ne 0 ]; then
        say "missing locales: ${missing_locales[*]}; run as root to generate them"
        exit 1
    fi
    for l in "${missing_locales[@]}"; do
        # Enabled in locale.gen, so a later locale-gen keeps it.
        sed -i "s/^# *\($l UTF-8\)\$/\1/" /etc/locale.gen
        grep -qx "$l UTF-8" /etc/locale.gen || echo "$l UTF-8" >>/etc/locale.gen
    done
    locale-gen
fi
