#!/usr/bin/env bash
# Runs a Windows program under Wine for one build tree:
#   wine-run.sh BUILD_DIR PROGRAM [ARGS...]
# The build tree gets a Wine prefix and an Xvfb display of its own, started on
# first use and shared by every later run (a persistent wineserver keeps runs
# quick). Wine keeps the display its server started with, so the two are
# always (re)started together. PROBELET_USE_DISPLAY=1 uses the caller's
# $DISPLAY instead of an Xvfb of its own. On a machine that runs 64-bit code
# only, a 32-bit program is refused with a message (wine-env.sh).
set -euo pipefail
. "$(dirname "$0")/wine-env.sh"
build_dir=$(cd "$1" && pwd); shift

if [ -f "${1:-}" ] && [ "$(probelet_pe_preset "$1")" = win32 ] && probelet_wine64_only; then
    echo "wine-run.sh: $1 is a 32-bit program and cannot run here: $(probelet_wine64_only_reason)" >&2
    exit 126
fi

state="$build_dir/.wine-env"
mkdir -p "$state"
export WINEPREFIX="$build_dir/wineprefix"
export WINEDEBUG=${WINEDEBUG:--all}
# No Mono or Gecko installers: they would pop up dialogs nobody answers.
export WINEDLLOVERRIDES="mscoree=;mshtml=${WINEDLLOVERRIDES:+;$WINEDLLOVERRIDES}"

# Brings up the server and Wine's own services, detached from our output:
# whatever inherits the caller's pipes keeps ctest waiting.
start_wine() {
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
        probelet_wine wineboot.exe -i </dev/null >/dev/null 2>&1 9>&- || true
        # Unmanaged windows: with no window manager on the display, Wine
        # would wait two seconds for each top-level window to be withdrawn.
        probelet_wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f \
            </dev/null >/dev/null 2>&1 9>&- || true
        # A new prefix goes on setting itself up in processes of its own
        # (the 32-bit half among them) after wineboot returns; the first tests
        # must not race them. The server is not persistent yet: it ends with them.
        timeout 120 wineserver -w </dev/null >/dev/null 2>&1 9>&- || true
    fi
    wineserver -p </dev/null >/dev/null 2>&1 9>&- || true
    probelet_wine cmd.exe /c exit </dev/null >/dev/null 2>&1 9>&- || true
}

exec 9>"$state/lock"
flock 9
if [ "${PROBELET_USE_DISPLAY:-0}" = 1 ] && [ -n "${DISPLAY:-}" ]; then
    # The caller's own display (scripts/run.sh on a desktop).
    if [ "$(cat "$state/display" 2>/dev/null)" != "host$DISPLAY" ]; then
        wineserver -k 2>/dev/null || true
        [ -f "$state/xvfb.pid" ] && kill "$(cat "$state/xvfb.pid")" 2>/dev/null || true
        rm -f "$state/xvfb.pid"
        echo "host$DISPLAY" > "$state/display"
        start_wine
    fi
elif [ -f "$state/xvfb.pid" ] && kill -0 "$(cat "$state/xvfb.pid")" 2>/dev/null; then
    export DISPLAY=":$(cat "$state/display")"
else
    wineserver -k 2>/dev/null || true
    rm -f "$state/display"
    setsid Xvfb -displayfd 8 -nolisten tcp -screen 0 1280x1024x24 8>"$state/display" \
        >/dev/null 2>&1 </dev/null 9>&- &
    echo $! > "$state/xvfb.pid"
    for _ in $(seq 100); do [ -s "$state/display" ] && break; sleep 0.05; done
    display=$(tr -d '\n' < "$state/display")
    echo "$display" > "$state/display"
    export DISPLAY=":$display"
    start_wine
fi
flock -u 9
exec 9>&-

probelet_exec_wine "$@"
