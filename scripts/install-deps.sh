#!/usr/bin/env bash
# Installs the Debian packages the build, the program and the tests need.
# Only what is missing is installed; run as root on Debian 12.
# With --windows also the cross compilers for 32- and 64-bit Windows and Wine,
# whose 32-bit half needs Debian's i386 architecture.
set -euo pipefail
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
    # Song face that stands in for 宋体, and the locales the suite runs under
    openbox xdotool x11-utils fontconfig fonts-arphic-uming locales
)
if [ $windows -eq 1 ]; then
    packages+=(g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix wine wine64 wine32:i386)
fi

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -ne 0 ]; then
    if [ "$(id -u)" -ne 0 ]; then
        echo "install-deps: missing packages: ${missing[*]}; run as root to install them" >&2
        exit 1
    fi
    export DEBIAN_FRONTEND=noninteractive
    if [ $windows -eq 1 ] && ! dpkg --print-foreign-architectures | grep -qx i386; then
        dpkg --add-architecture i386
    fi
    apt-get update -q
    apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

# The locales the tests run under besides C.UTF-8, generated when missing.
test_locales=(de_DE.UTF-8 zh_CN.UTF-8)
missing_locales=()
for l in "${test_locales[@]}"; do
    locale -a | grep -qix "${l%%.*}.utf8" || missing_locales+=("$l")
done
if [ ${#missing_locales[@]} -ne 0 ]; then
    if [ "$(id -u)" -ne 0 ]; then
        echo "install-deps: missing locales: ${missing_locales[*]}; run as root to generate them" >&2
        exit 1
    fi
    for l in "${missing_locales[@]}"; do
        # Enabled in locale.gen, so a later locale-gen keeps it.
        sed -i "s/^# *\($l UTF-8\)\$/\1/" /etc/locale.gen
        grep -qx "$l UTF-8" /etc/locale.gen || echo "$l UTF-8" >>/etc/locale.gen
    done
    locale-gen
fi
