#!/usr/bin/env bash
# Runs Probelet on a demo host configuration of its own:
#   scripts/run.sh [win32|win64] [--style[=SCHEME]] [LIST_FILE]
# --style starts it with the project's test visual style in force (colour
# scheme ImageGlyph unless another is named, e.g. --style=FontGlyph); without
# it the demo prefix runs Wine's own style, under which the tab strip's scroll
# buttons stay classic.
# Without a preset: win32, or win64 on a machine that runs 64-bit code only
# (where win32 is refused).
# Installs what is missing, builds, and prepares build/demo-<preset>: a Wine
# prefix holding the host's registry key, an installation folder whose
# wincmd.ini names the sample plugins the way real installations do
# (%COMMANDER_PATH%\plugins\wdx\...), and a list file of real files. Then it
# starts Probelet on that list (or on LIST_FILE, a Unix or Windows path).
# With a display ($DISPLAY) the window opens there and the script waits for it.
# Without one Probelet runs under Xvfb: the script saves a screenshot of the
# window once the first file is inspected, prints its path and ends the program.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

style_scheme=""
shot_suffix=""
positional=()
for arg in "$@"; do
    case "$arg" in
        --style) style_scheme=ImageGlyph ;;
        --style=*) style_scheme=${arg#--style=} ;;
        *) positional+=("$arg") ;;
    esac
done
preset=${positional[0]:-}
list_arg=${positional[1]:-}
case "$preset" in
    win32) ext=wdx ;;
    win64|"") ext=wdx64 ;;
    *) echo "usage: scripts/run.sh [win32|win64] [--style[=SCHEME]] [LIST_FILE]" >&2; exit 2 ;;
esac

. scripts/wine-env.sh
bash scripts/setup.sh
if [ -z "$preset" ]; then
    preset=$(probelet_default_preset)
    [ "$preset" = win32 ] && ext=wdx || echo "Running the 64-bit build: $(probelet_wine64_only_reason)"
fi
probelet_require_preset scripts/run.sh "$preset" || exit 2
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset" --target Probelet probelet_fileinfo probelet_textinfo \
    ${style_scheme:+probelet_test_style}

build="$root/build/$preset"
demo="$root/build/demo-$preset"
host="$demo/host"
files="$demo/files"
mkdir -p "$host" "$files"

# Windows path of a Unix path: drive Z: is the Unix root.
winpath() { printf 'Z:%s' "$1" | tr '/' '\\'; }
# Text files as Windows programs write them.
crlf() { sed 's/$/\r/'; }

# The installation: each plugin in a folder of its own. The INI names the
# 32-bit file; a 64-bit Probelet, like the 64-bit host, loads the .wdx64 beside it.
for plugin in fileinfo textinfo; do
    mkdir -p "$host/plugins/wdx/$plugin"
    cp "$build/plugins/$plugin.$ext" "$host/plugins/wdx/$plugin/"
done
crlf > "$host/wincmd.ini" <<'INI'
[Configuration]
InstallDir=%COMMANDER_PATH%
[ContentPlugins]
0=%COMMANDER_PATH%\plugins\wdx\fileinfo\fileinfo.wdx
1=%COMMANDER_PATH%\plugins\wdx\textinfo\textinfo.wdx
INI

# Real files to inspect: a text written here, the README, the program itself.
crlf > "$files/notes.txt" <<'TXT'
Probelet demo notes
Pick a file on the left; Left and Right step through the plugins.
The Time(ms) column shows how long each field took to fetch.
TXT
cp README.md "$files/README.md"
list="$demo/files.lst"
{
    winpath "$files/notes.txt"; echo
    winpath "$files/README.md"; echo
    winpath "$build/Probelet.exe"; echo
} | crlf > "$list"

if [ -n "$list_arg" ]; then
    case "$list_arg" in
        /*) list_win=$(winpath "$list_arg") ;;
        *) [ -f "$list_arg" ] && list_win=$(winpath "$(cd "$(dirname "$list_arg")" && pwd)/$(basename "$list_arg")") \
               || list_win=$list_arg ;;
    esac
else
    list_win=$(winpath "$list")
fi

headless=1
[ -n "${DISPLAY:-}" ] && headless=0
export PROBELET_USE_DISPLAY=$((1 - headless))
wine_run() { "$root/scripts/wine-run.sh" "$demo" "$@"; }

key='HKCU\Software\Ghisler\Total Commander'
wine_run reg add "$key" /v InstallDir /t REG_SZ /d "$(winpath "$host")" /f >/dev/null 2>&1
wine_run reg add "$key" /v IniFileName /t REG_SZ /d "$(winpath "$host/wincmd.ini")" /f >/dev/null 2>&1

# The visual style in force, as the system keeps it; a program reads it when
# it starts. Without --style, Wine's own (what a fresh prefix has).
themes='HKCU\Software\Microsoft\Windows\CurrentVersion\ThemeManager'
if [ -n "$style_scheme" ]; then
    style_dll=$(winpath "$build/tabstyle.msstyles")
    shot_suffix="-style"
else
    style_dll='C:\windows\resources\themes\light\light.msstyles'
    style_scheme=Blue
fi
for value in "DllName=$style_dll" "ColorName=$style_scheme" "SizeName=NormalSize" "ThemeActive=1"; do
    wine_run reg add "$themes" /v "${value%%=*}" /t REG_SZ /d "${value#*=}" /f >/dev/null 2>&1
done
echo "Visual style: $style_dll ($style_scheme)"

if [ "$headless" = 0 ]; then
    echo "Probelet on $list_win"
    exec "$root/scripts/wine-run.sh" "$demo" "$build/Probelet.exe" "$list_win"
fi

# No display: run on the demo's Xvfb, wait for the first inspection (the
# title then names the inspected file), photograph the window, end the program.
wine_run "$build/Probelet.exe" "$list_win" >/dev/null 2>&1 &
program=$!
export DISPLAY=":$(cat "$demo/.wine-env/display")"
shot="$demo/probelet$shot_suffix.png"
rm -f "$shot"
window=""
for _ in $(seq 300); do
    window=$(xwininfo -root -tree 2>/dev/null | awk '/"Probelet - / { print $1; exit }')
    [ -n "$window" ] && break
    kill -0 "$program" 2>/dev/null || break
    sleep 0.1
done
if [ -z "$window" ]; then
    echo "Probelet did not inspect a file (see the message box, if any, on display $DISPLAY)" >&2
    xwininfo -root -tree 2>/dev/null | grep -E '"[^"]+"' | head -n 5 >&2 || true
    import -window root "$demo/screen.png" 2>/dev/null && echo "screen: $demo/screen.png" >&2
    "$root/scripts/wine-stop.sh" "$demo"
    exit 1
fi
sleep 1  # let the first paint finish
import -window "$window" "$shot"
echo "Title: $(xwininfo -id "$window" | sed -n 's/^xwininfo: Window id: [^ ]* "\(.*\)"$/\1/p')"
echo "Screenshot: $shot"
"$root/scripts/wine-stop.sh" "$demo"
wait "$program" 2>/dev/null || true
