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
for p in "${presets[@]}"; do
    echo "=== $p ==="
    cmake --preset "$p" >/dev/null
    cmake --build --preset "$p"
    ctest --preset "$p" || status=1
done
echo "=== fuzz ==="
bash scripts/fuzz.sh || status=1
exit $status
