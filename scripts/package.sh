#!/usr/bin/env bash
# Builds both presets and writes the release packages:
#   dist/probelet-<version>-win32.zip and dist/probelet-<version>-win64.zip
# Each holds Probelet.exe, probelet-cli.exe, README.md, LICENSE and the sample
# plugins, each as a plugin archive the file manager installs when it opens it
# (the plugin and a pluginst.inf naming its type, file, name and folder).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
bash scripts/setup.sh
mkdir -p dist
for preset in win32 win64; do
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset" --target Probelet probelet-cli probelet_fileinfo probelet_textinfo
done
version=$(sed -n 's/^#define PROBELET_VERSION "\(.*\)"$/\1/p' build/win32/generated/probelet_version.h)
python3 - "$root" "$version" <<'PY'
import os, sys, zipfile
root, version = sys.argv[1], sys.argv[2]
samples = {
    "fileinfo": "Size, dates, attributes and the text of any file",
    "textinfo": "Lines, words, characters, line endings and encoding of text files",
}
for preset, ext in (("win32", ".wdx"), ("win64", ".wdx64")):
    build = os.path.join(root, "build", preset)
    out = os.path.join(root, "dist", f"probelet-{version}-{preset}.zip")
    with zipfile.ZipFile(out, "w", zipfile.ZIP_DEFLATED) as z:
        for name in ("Probelet.exe", "probelet-cli.exe"):
            z.write(os.path.join(build, name), name)
        z.write(os.path.join(root, "README.md"), "README.md")
        z.write(os.path.join(root, "LICENSE"), "LICENSE")
        for plugin, description in samples.items():
            # The host's own installation convention: file names the 32-bit
            # plugin; a 64-bit host takes the same name with "64" added.
            inf = ("[plugininstall]\r\n"
                   f"description={description}\r\n"
                   "type=wdx\r\n"
                   f"file={plugin}.wdx\r\n"
                   f"name={plugin}\r\n"
                   f"defaultdir={plugin}\r\n")
            inner = os.path.join(root, "dist", f"{plugin}-{preset}.zip")
            with zipfile.ZipFile(inner, "w", zipfile.ZIP_DEFLATED) as p:
                p.writestr("pluginst.inf", inf)
                p.write(os.path.join(build, "plugins", plugin + ext), plugin + ext)
            z.write(inner, f"plugins/{plugin}.zip")
            os.remove(inner)
    print(out)
PY
