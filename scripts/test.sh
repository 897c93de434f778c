#!/usr/bin/env bash
# Installs what is missing, builds both presets and runs every test under Wine,
# then a short native fuzz run (scripts/fuzz.sh, about 12 s per target).
#   scripts/test.sh [win32|win64 ...]   (default: both)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
bash scripts/setup.sh
presets=("$@")
[ ${#presets[@]} -gt 0 ] || presets=(win32 win64)
status=0
passed=0
failed=0
log=$(mktemp)
trap 'rm -f "$log"' EXIT
for p in "${presets[@]}"; do
    echo "=== $p ==="
    cmake --preset "$p" >/dev/null
    cmake --build --preset "$p"
    ctest --preset "$p" 2>&1 | tee "$log" || true
    # ctest's own count; a run that stopped before it counts as one failure.
    if line=$(grep -E '^[0-9]+% tests passed, [0-9]+ tests failed out of [0-9]+' "$log"); then
        total=$(sed -E 's/.* out of ([0-9]+).*/\1/' <<<"$line")
        bad=$(sed -E 's/.*passed, ([0-9]+) tests failed.*/\1/' <<<"$line")
        passed=$((passed + total - bad))
        failed=$((failed + bad))
        [ "$bad" -eq 0 ] || status=1
    else
        failed=$((failed + 1))
        status=1
    fi
done
echo "=== fuzz ==="
if bash scripts/fuzz.sh; then passed=$((passed + 1)); else failed=$((failed + 1)); status=1; fi
# One closing line for every test program of both builds and the fuzz run.
echo "summary: $passed passed, $failed failed"
exit $status
