#!/usr/bin/env bash
# Stops the Wine server and the Xvfb display that wine-run.sh started for a build tree.
set -uo pipefail
build_dir=$(cd "$1" && pwd)
state="$build_dir/.wine-env"
WINEPREFIX="$build_dir/wineprefix" wineserver -k 2>/dev/null
if [ -f "$state/xvfb.pid" ]; then
    kill "$(cat "$state/xvfb.pid")" 2>/dev/null
    rm -f "$state/xvfb.pid" "$state/display"
fi
exit 0
