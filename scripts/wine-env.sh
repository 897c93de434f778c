# Sourced by every script that runs Windows programs: the one place that
# knows how to start Wine on this machine.
#
# Some machines run 64-bit code only (the kernel has no IA-32 emulation):
# there Debian's `wine`, `wineboot` and `winepath` all end in the 32-bit
# loader and fail with "Exec format error", even for 64-bit programs. Wine's
# 64-bit loader called directly runs 64-bit programs there; 32-bit programs
# cannot run at all. PROBELET_WINE64_ONLY=1 takes that path on any machine.

probelet_wine32=/usr/lib/wine/wine
probelet_wine64=/usr/lib/wine/wine64

# True when this machine runs 64-bit Windows programs only. Decided once per
# boot (the kernel cannot change its mind without one) and kept in /tmp.
probelet_wine64_only() {
    [ "${PROBELET_WINE64_ONLY:-0}" = 1 ] && return 0
    local boot cache="${TMPDIR:-/tmp}/probelet-wine-kind.$(id -u)"
    boot=$(cat /proc/sys/kernel/random/boot_id 2>/dev/null || echo unknown)
    if [ -f "$cache" ] && [ "$(sed -n 1p "$cache")" = "$boot" ]; then
        [ "$(sed -n 2p "$cache")" = 64 ]
        return
    fi
    # Nothing installed yet: decide later, once the loaders are there.
    [ -x "$probelet_wine32" ] || [ -x "$probelet_wine64" ] || return 1
    local kind=both
    "$probelet_wine32" --version >/dev/null 2>&1 || kind=64
    printf '%s\n%s\n' "$boot" "$kind" > "$cache.$$" && mv -f "$cache.$$" "$cache"
    [ "$kind" = 64 ]
}

# Why the 32-bit programs are not run, in one sentence.
probelet_wine64_only_reason() {
    if [ "${PROBELET_WINE64_ONLY:-0}" = 1 ]; then
        echo "PROBELET_WINE64_ONLY=1 runs Windows programs through Wine's 64-bit loader only"
    else
        echo "this machine runs 64-bit code only ($probelet_wine32 cannot start: no IA-32 emulation in the kernel)"
    fi
}

# wine PROGRAM ARGS..., through the loader that can run here.
probelet_wine() {
    if probelet_wine64_only; then
        WINELOADER=$probelet_wine64 "$probelet_wine64" "$@"
    else
        wine "$@"
    fi
}

# The same in place of the calling shell.
probelet_exec_wine() {
    if probelet_wine64_only; then
        export WINELOADER=$probelet_wine64
        exec "$probelet_wine64" "$@"
    fi
    exec wine "$@"
}

# The Windows path of a Unix path (drive Z: is the Unix root).
probelet_winepath() {
    probelet_wine winepath.exe -w "$1"
}

# The preset that builds for a PE file's machine: win32, win64, or nothing
# for a file that is missing or no PE image.
probelet_pe_preset() {
    python3 - "$1" <<'PY'
import struct, sys
try:
    with open(sys.argv[1], 'rb') as f:
        data = f.read(4096)
    pe = struct.unpack_from('<I', data, 0x3c)[0]
    machine = struct.unpack_from('<H', data, pe + 4)[0] if data[:2] == b'MZ' and data[pe:pe + 4] == b'PE\0\0' else 0
except Exception:
    machine = 0
print({0x14c: 'win32', 0x8664: 'win64'}.get(machine, ''))
PY
}

# The preset to use when none is named: win64 where 32-bit programs cannot run.
probelet_default_preset() {
    if probelet_wine64_only; then echo win64; else echo win32; fi
}

# Refuses a preset this machine cannot run, with a message naming why.
# probelet_require_preset WHO PRESET
probelet_require_preset() {
    if [ "$2" = win32 ] && probelet_wine64_only; then
        echo "$1: the 32-bit build cannot run here: $(probelet_wine64_only_reason); use win64" >&2
        return 1
    fi
}
