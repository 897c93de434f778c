#!/usr/bin/env bash
# Installs what is missing, builds both presets and runs every test under Wine.
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
exit $status
