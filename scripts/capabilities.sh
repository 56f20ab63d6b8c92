# Sourced by install-deps.sh and test.sh: what this host can run, found by
# trying rather than assumed, and how a stage that cannot run here is reported.
#
# Two stand-ins, for the scripts' own test: ZK61AR_PROBE_32BIT names the
# program tried as "a 32-bit program", ZK61AR_WINE_LOADERS the folder that
# holds Debian's Wine loaders (wine, the 32-bit one, from wine32:i386; wine64).

# The smallest 32-bit x86 Linux program: an ELF header, one loaded segment and
# exit(0) through int 0x80. A kernel without IA-32 emulation refuses it with
# ENOEXEC, as it refuses every 32-bit program.
write_probe_32bit() {
    printf '\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00' >"$1"     # 32-bit, little-endian
    printf '\x02\x00\x03\x00\x01\x00\x00\x00\x54\x80\x04\x08' >>"$1"            # executable, i386, entry
    printf '\x34\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00' >>"$1"            # program header at 52
    printf '\x34\x00\x20\x00\x01\x00\x00\x00\x00\x00\x00\x00' >>"$1"            # one of 32 bytes
    printf '\x01\x00\x00\x00\x00\x00\x00\x00\x00\x80\x04\x08\x00\x80\x04\x08' >>"$1" # load all 93 bytes
    printf '\x5d\x00\x00\x00\x5d\x00\x00\x00\x05\x00\x00\x00\x00\x10\x00\x00' >>"$1" # at 0x8048000, r-x
    printf '\x31\xdb\xb8\x01\x00\x00\x00\xcd\x80' >>"$1"                        # exit(0)
    chmod +x "$1"
}

# tried COMMAND [ARGUMENT...]: whether the command runs and succeeds; if not,
# `tried_why` says why in a few words ("Exec format error", "... is missing").
tried() {
    local out status=0
    tried_why=
    if [ ! -e "$1" ] && ! command -v "$1" >/dev/null 2>&1; then
        tried_why="$1 is missing"
        return 1
    fi
    # In English whatever the locale: runs_32bit_programs compares the words.
    out=$(export LC_ALL=C; "$@" 2>&1 >/dev/null) || status=$?
    [ $status -eq 0 ] && return 0
    out=$(printf '%s\n' "$out" | grep -v '^[[:space:]]*$' | tail -n 1)
    # 126: the shell could not start it; its message ends in the system's words.
    if [ $status -eq 126 ] && [ -n "$out" ]; then
        tried_why=${out##*: }
    else
        tried_why="status $status${out:+: $out}"
    fi
    return 1
}

# runs_32bit_programs: whether a 32-bit x86 program runs here; if not,
# `host_why` says why.
runs_32bit_programs() {
    local probe=${ZK61AR_PROBE_32BIT:-} dir="" status=0
    host_why=
    if [ -z "$probe" ]; then
        dir=$(mktemp -d "${TMPDIR:-/tmp}/zk61ar-probe.XXXXXX") || return 1
        probe=$dir/probe32
        write_probe_32bit "$probe"
    fi
    tried "$probe" || status=$?
    [ -z "$dir" ] || rm -rf "$dir"
    [ $status -eq 0 ] && return 0
    if [ "$tried_why" = "Exec format error" ]; then
        host_why="this host runs no 32-bit programs (a 32-bit program gives \"$tried_why\")"
    else
        host_why="a 32-bit program did not run here: $tried_why"
    fi
    return 1
}

# wine_for ARCH (i686 or x86_64): sets `wine` to the Wine command that runs
# that architecture's programs here, or empties it and says why in `host_why`.
# With the 32-bit loader working, Debian's `wine` for both, as on any full
# host; without it, Debian's `wine` would still start the 32-bit loader if
# wine32 is installed, so 64-bit programs go to the 64-bit loader directly.
wine_for() {
    local loaders=${ZK61AR_WINE_LOADERS:-/usr/lib/wine} wine32=0
    wine= host_why=
    if runs_32bit_programs; then
        if tried "$loaders/wine" --version; then
            wine32=1
        else
            host_why="no 32-bit Wine: $tried_why (the package wine32:i386)"
        fi
    fi
    if [ "$1" = i686 ]; then
        [ $wine32 -eq 0 ] || wine=wine
        return 0
    fi
    if ! tried "$loaders/wine64" --version; then
        host_why="no Wine: $tried_why (the package wine64)"
    elif [ $wine32 -eq 1 ]; then
        wine=wine
    else
        wine=$loaders/wine64
    fi
}

# skip WHAT WHY: WHAT cannot run on this host. Said in one line and named in
# `skipped`, or, with ZK61AR_NO_SKIP=1 (a machine where everything must run),
# a failure.
skipped=()
skip() {
    if [ "${ZK61AR_NO_SKIP:-0}" != 0 ]; then
        echo "FAIL: $1 cannot run here, and ZK61AR_NO_SKIP is set: $2" >&2
        return 1
    fi
    echo "== SKIPPED $1: $2"
    skipped+=("$1")
}
