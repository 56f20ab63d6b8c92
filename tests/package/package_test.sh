#!/usr/bin/env bash
# Builds the Debian package into a private temporary folder, checks its control
# fields and file list, runs lintian and the desktop and AppStream validators,
# unpacks it into a temporary root (never into the system) and runs what was
# unpacked: zk61ar-demo must show the emulated signal from the package's private
# folder, also when it records with zk61ar-log, and zk61ar with no driver the
# missing-library box and the same message on standard error, both pointing to
# zk61ar-demo.
# Usage: package_test.sh CPACK BUILD_DIR VERSION PROBE_LIBRARY HAS_DAT_TOOL
set -uo pipefail
cpack=$1 build=$2 version=$3 probe=$4 has_dat=$5

tmp=$(mktemp -d)
pid=
cleanup() {
    [ -n "$pid" ] && kill "$pid" 2>/dev/null && wait "$pid" 2>/dev/null
    rm -rf "$tmp"
}
trap cleanup EXIT
fail() {
    echo "FAIL: $*" >&2
    exit 1
}

arch=$(dpkg --print-architecture)
"$cpack" -G DEB -B "$tmp/out" --config "$build/CPackConfig.cmake" >"$tmp/cpack.log" 2>&1 ||
    { cat "$tmp/cpack.log"; fail "cpack did not build the package"; }
deb="$tmp/out/zk61ar_${version}_${arch}.deb"
[ -f "$deb" ] || fail "no $deb; cpack made: $(ls "$tmp/out")"

# Control fields.
field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = zk61ar ] || fail "Package: $(field Package)"
[ "$(field Version)" = "$version" ] || fail "Version: $(field Version)"
[ "$(field Architecture)" = "$arch" ] || fail "Architecture: $(field Architecture)"
[ "$(field Section)" = science ] || fail "Section: $(field Section)"
[[ "$(field Maintainer)" =~ ^.+\ \<[^@\ ]+@[^@\ ]+\>$ ]] || fail "Maintainer: $(field Maintainer)"
[[ "$(field Homepage)" =~ ^https:// ]] || fail "Homepage: $(field Homepage)"
[ "$(field Description | wc -l)" -gt 2 ] || fail "no long description"
depends=$(field Depends)
# The first two are the run-time needs no binary names; the last two come from
# the binaries themselves (shlibdeps).
for need in "fonts-arphic-uming | fonts-wqy-zenhei" qt6-qpa-plugins libqt6widgets6 libc6; do
    [[ "$depends" == *"$need"* ]] || fail "Depends lacks '$need': $depends"
done

# File list: exactly these, plus the emulated library checked below.
dpkg-deb --fsys-tarfile "$deb" | tar -t | grep -v '/$' | sed 's|^\./|/|' | sort >"$tmp/files"
expected=(/usr/bin/zk61ar /usr/bin/zk61ar-demo /usr/bin/zk61ar-log
    /usr/share/applications/zk61ar-demo.desktop /usr/share/applications/zk61ar.desktop
    /usr/share/doc/zk61ar/changelog.gz /usr/share/doc/zk61ar/copyright
    /usr/share/icons/hicolor/128x128/apps/zk61ar.png /usr/share/icons/hicolor/48x48/apps/zk61ar.png
    /usr/share/icons/hicolor/scalable/apps/zk61ar.svg
    /usr/share/man/man1/zk61ar-demo.1.gz /usr/share/man/man1/zk61ar-log.1.gz /usr/share/man/man1/zk61ar.1.gz
    /usr/share/metainfo/io.github.zk61ar.zk61ar.metainfo.xml)
[ "$has_dat" = 1 ] && expected+=(/usr/bin/zk61ar-dat /usr/share/man/man1/zk61ar-dat.1.gz)
grep -v '/libqb7io\.so$' "$tmp/files" >"$tmp/others"
diff <(printf '%s\n' "${expected[@]}" | sort) "$tmp/others" >&2 || fail "file list differs (< expected, > packaged)"

# One emulated library, in a folder of the package's own that the loader never
# searches by itself.
mapfile -t libs < <(grep '/libqb7io\.so$' "$tmp/files")
[ ${#libs[@]} -eq 1 ] || fail "libqb7io.so packaged ${#libs[@]} times: ${libs[*]}"
private=$(dirname "${libs[0]}")
[[ "$private" == /usr/lib/*zk61ar/emulator ]] || fail "emulated library in $private"
multiarch=$(dpkg-architecture -qDEB_HOST_MULTIARCH)
for dir in /lib /usr/lib /lib64 /usr/lib64 "/lib/$multiarch" "/usr/lib/$multiarch" \
    $(ldconfig -v -N 2>/dev/null | sed -n 's|^\(/[^:]*\):.*|\1|p'); do
    [ "$private" != "$dir" ] && [ "$private" != "$(readlink -f "$dir")" ] ||
        fail "emulated library $private is on the library search ($dir)"
done

# Installing never overwrites another package's file.
while read -r path; do
    owners=$(dpkg-query -S "$path" 2>/dev/null | sed -n 's/^\([^:]*\): .*/\1/p' | grep -vx zk61ar)
    [ -z "$owners" ] || fail "$path belongs to $owners"
done <"$tmp/files"

echo "== lintian"
lintian --fail-on error "$deb" || fail "lintian reports errors"

root="$tmp/root"
dpkg-deb -x "$deb" "$root" || fail "dpkg-deb -x"
desktop-file-validate "$root"/usr/share/applications/*.desktop || fail "desktop-file-validate"
appstreamcli validate --no-net "$root"/usr/share/metainfo/*.xml || fail "appstreamcli validate"
for program in zk61ar zk61ar-log; do
    if readelf -d "$root/usr/bin/$program" | grep -Eq 'RPATH|RUNPATH'; then
        fail "$program carries a library search path"
    fi
done
if [ "$has_dat" = 1 ]; then
    "$root/usr/bin/zk61ar-dat" --version >/dev/null || fail "zk61ar-dat --version"
fi

# Starts the unpacked program with the probe, output to $tmp/$1.out.
start() {
    local name=$1
    shift
    env -C "$tmp" QT_QPA_PLATFORM=offscreen LD_PRELOAD="$probe" "$@" >"$tmp/$name.out" 2>"$tmp/$name.err" &
    pid=$!
}
# Waits up to $2 seconds for a line matching $1 in $tmp/$3.out.
await() {
    local deadline=$((SECONDS + $2))
    until grep -q "$1" "$tmp/$3.out"; do
        if [ $SECONDS -ge $deadline ] || ! kill -0 "$pid" 2>/dev/null; then
            cat "$tmp/$3.out" "$tmp/$3.err" >&2
            fail "$3: no line matching $1 within $2 s"
        fi
        sleep 0.2
    done
}

# Channel 0 held at 2.5 V reads 2500 mV in the default 0-5V range.
start demo QB7EMU_DC=0=2.5 LD_LIBRARY_PATH= "$root/usr/bin/zk61ar-demo"
await '"window":".*ZK61AR' 30 demo
await '"readout":"2500"' 30 demo
grep -q " $root$private/libqb7io.so$" "/proc/$pid/maps" ||
    fail "the demo did not load the emulated library from $root$private"
kill "$pid"
wait "$pid" 2>/dev/null
pid=

# The demo's recorder: channel 0 held at 2.5 V reads 2500 mV in every row.
env -C "$tmp" QB7EMU_DC=0=2.5 LD_LIBRARY_PATH= "$root/usr/bin/zk61ar-demo" log -c 0,6:±10V -r max -n 5 \
    -o demo.csv 2>"$tmp/log.err" || { cat "$tmp/log.err" >&2; fail "zk61ar-demo log"; }
[ "$(grep -c '^[0-9]*,[0-9.]*,2500,' "$tmp/demo.csv")" -eq 5 ] || fail "demo recording: $(cat "$tmp/demo.csv")"

if ldconfig -p | grep -q 'libqb7io\.so'; then
    echo "a driver library is installed on this machine: the missing-library run is left out"
else
    mkdir "$tmp/no-driver"
    start missing LD_LIBRARY_PATH="$tmp/no-driver" "$root/usr/bin/zk61ar"
    await '"box"' 60 missing
    deadline=$((SECONDS + 30))
    while kill -0 "$pid" 2>/dev/null; do
        [ $SECONDS -lt $deadline ] || fail "zk61ar did not end after the missing-library box"
        sleep 0.2
    done
    wait "$pid"
    status=$?
    pid=
    [ "$status" -ne 0 ] || fail "zk61ar ended with status 0 after the missing-library box"
    [ "$(grep -c '"box"' "$tmp/missing.out")" -eq 1 ] || fail "boxes: $(cat "$tmp/missing.out")"
    grep -q '"text":"[^"]*libqb7io\.so' "$tmp/missing.out" ||
        fail "the box does not name the library: $(cat "$tmp/missing.out")"
    grep -q '"text":"[^"]*zk61ar-demo' "$tmp/missing.out" ||
        fail "the box does not point to zk61ar-demo: $(cat "$tmp/missing.out")"
    # The same on standard error, for a program started from a terminal.
    grep -q '^zk61ar: .*libqb7io\.so' "$tmp/missing.err" && grep -q '^zk61ar: .*zk61ar-demo' "$tmp/missing.err" ||
        fail "standard error lacks the message or zk61ar-demo: $(cat "$tmp/missing.err")"
fi
echo "package checked: $deb"
