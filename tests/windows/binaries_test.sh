#!/usr/bin/env bash
# Usage: binaries_test.sh OBJDUMP NM BUILD_DIR POINTER_SIZE
# What a Windows build's files promise, read from the files without running
# them, so it holds on a host where Wine cannot run them: the emulated
# qb7io.dll exports the driver's ten operations under their plain names and
# nothing else, on 32-bit each the __stdcall function (_Name@bytes) the real
# driver's callers expect; no program or library needs a C++ runtime DLL.
set -euo pipefail
objdump=$1 nm=$2 build=$3 pointer_size=$4
fail() {
    echo "binaries_test: $*" >&2
    exit 1
}

dll=$build/emulator/qb7io.dll
[ -f "$dll" ] || fail "$dll is missing"
headers=$("$objdump" -p "$dll")
# "[   3] OpenQB7" in the name table, "[   3] +base[   4] 14b0 Export RVA" in
# the address table: ordinal 3 is OpenQB7 at 0x14b0.
exports=$(awk '/^\[Ordinal\/Name Pointer\] Table/ { names = 1; next }
    /^Export Address Table/ { addresses = 1; next }
    /^$/ { names = addresses = 0 }
    { gsub(/[][]/, " ") }
    names && NF == 2 { name[$1] = $2 }
    addresses && /Export RVA/ { rva[$1] = $4 }
    END { for (i in name) print name[i], rva[i] }' <<<"$headers" | LC_ALL=C sort)
expected="CloseQB7 GetQB7FW GetQB7State OpenQB7 QB7In QB7InAll QB7Out QB7OutAll SetQB7 SetQB7All"
names=$(cut -d' ' -f1 <<<"$exports" | tr '\n' ' ')
[ "$names" = "$expected " ] || fail "qb7io.dll exports: $names"

if [ "$pointer_size" = 4 ]; then
    base=$(awk '$1 == "ImageBase" { print $2 }' <<<"$headers")
    symbols=$("$nm" "$dll")
    while read -r name rva; do
        address=$(printf '%08x' $((0x$base + 0x$rva)))
        grep -Eq "^$address T _$name@[0-9]+\$" <<<"$symbols" ||
            fail "qb7io.dll exports $name at $address, where no __stdcall _$name@N is"
    done <<<"$exports"
fi

files=$(find "$build" \( -name CMakeFiles -o -name wineprefix -o -name _CPack_Packages \) -prune \
    -o -type f \( -name '*.exe' -o -name '*.dll' \) -print | LC_ALL=C sort)
grep -q '/zk61ar-log\.exe$' <<<"$files" || fail "no zk61ar-log.exe in $build"
grep -q '/tst_[^/]*\.exe$' <<<"$files" || fail "no test program in $build"
count=0
while read -r file; do
    imports=$("$objdump" -p "$file" | awk '/DLL Name:/ { print $3 }')
    runtime=$(grep -Ei '^(libstdc\+\+|libgcc|libwinpthread)' <<<"$imports" || true)
    [ -z "$runtime" ] || fail "${file#"$build"/} imports $(tr '\n' ' ' <<<"$runtime")"
    count=$((count + 1))
done <<<"$files"
echo "binaries_test: qb7io.dll exports the ten operations and no other name;" \
    "$count programs and libraries import no C++ runtime DLL"
