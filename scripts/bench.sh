#!/usr/bin/env bash
# Builds both presets (or the ones named) and runs every benchmark program
# under Wine; each prints its figures as ratios to a floor measured in the
# same run.
#   scripts/bench.sh [win32|win64 ...]   (default: both; win64 alone on a
#   machine that runs 64-bit code only)
# PROBELET_BENCH_TREES=build/mine- builds and runs in build/mine-win32 (and
# -win64) instead of the presets' build/win32 and build/win64.
# The start-up benchmark points the host's registry key of the tree's Wine
# prefix at INI files of its own: do not run it beside the tree's tests.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
. scripts/wine-env.sh
bash scripts/setup.sh
presets=("$@")
if [ ${#presets[@]} -eq 0 ]; then
    presets=(win32 win64)
    if probelet_wine64_only; then
        presets=(win64)
        echo "Benchmarking the 64-bit build only: $(probelet_wine64_only_reason)"
    fi
fi
for p in "${presets[@]}"; do
    case "$p" in
        win32|win64) probelet_require_preset scripts/bench.sh "$p" || exit 2 ;;
        *) echo "usage: scripts/bench.sh [win32|win64 ...]" >&2; exit 2 ;;
    esac
done
status=0
for p in "${presets[@]}"; do
    case "$p" in
        win32) toolchain=cmake/toolchain-i686.cmake ;;
        win64) toolchain=cmake/toolchain-x86_64.cmake ;;
    esac
    if [ -n "${PROBELET_BENCH_TREES:-}" ]; then
        tree="$root/${PROBELET_BENCH_TREES}$p"
        cmake -S . -B "$tree" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release >/dev/null
        cmake --build "$tree" -j2
    else
        tree="$root/build/$p"
        cmake --preset "$p" >/dev/null
        cmake --build --preset "$p"
    fi
    for bench in inspection_bench tabstrip_bench startup_bench cli_bench; do
        echo "=== $p: $bench ==="
        scripts/wine-run.sh "$tree" "$tree/$bench.exe" || status=1
    done
    scripts/wine-stop.sh "$tree"
done
exit $status
