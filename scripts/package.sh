#!/usr/bin/env bash
# Builds both presets and writes the release packages:
#   dist/probelet-<version>-win32.zip and dist/probelet-<version>-win64.zip
# Each holds Probelet.exe, probelet-cli.exe with the host processes of both
# builds (probelet-host32.exe, probelet-host64.exe), README.md, LICENSE and the sample
# plugins, each as a plugin archive the file manager installs when it opens it
# (the plugin and a pluginst.inf naming its type, file, name and folder).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
bash scripts/setup.sh
mkdir -p dist
for preset in win32 win64; do
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset" --target Probelet probelet-cli probelet-host probelet_fileinfo probelet_textinfo
done
version=$(sed -n 's/^#define PROBELET_VERSION "\(.*\)"$/\1/p' build/win32/generated/probelet_version.h)
python3 scripts/make_packages.py "$root" "$version" "$root/dist" build/win32 build/win64
