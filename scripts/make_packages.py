#!/usr/bin/env python3
"""Writes the release packages from built trees:
    make_packages.py ROOT VERSION DIST BUILD_DIR...
one dist/probelet-<version>-<preset>.zip per build tree (its name ends in
win32 or win64): the programs, README.md, LICENSE and each sample plugin as a
plugin archive in the host's own installation convention. Every package
carries the host process of each build given (probelet-host32.exe,
probelet-host64.exe), so its probelet-cli runs plugins of both kinds."""
import os
import sys
import zipfile

SAMPLES = {
    "fileinfo": "Size, dates, attributes and the text of any file",
    "textinfo": "Lines, words, characters, line endings and encoding of text files",
}


def plugin_archive(build, plugin, description, ext):
    # file= names the 32-bit plugin; a 64-bit host takes the same name with
    # "64" added, as the host's installer does.
    inf = ("[plugininstall]\r\n"
           f"description={description}\r\n"
           "type=wdx\r\n"
           f"file={plugin}.wdx\r\n"
           f"name={plugin}\r\n"
           f"defaultdir={plugin}\r\n")
    import io
    data = io.BytesIO()
    with zipfile.ZipFile(data, "w", zipfile.ZIP_DEFLATED) as p:
        p.writestr("pluginst.inf", inf)
        p.write(os.path.join(build, "plugins", plugin + ext), plugin + ext)
    return data.getvalue()


def hosts(builds):
    found = {}
    for build in builds:
        for name in ("probelet-host32.exe", "probelet-host64.exe"):
            if os.path.exists(os.path.join(build, name)):
                found[name] = os.path.join(build, name)
    return found


def main(root, version, dist, builds):
    os.makedirs(dist, exist_ok=True)
    host_programs = hosts(builds)
    for build in builds:
        preset = os.path.basename(os.path.normpath(build))[-5:]
        ext = ".wdx64" if preset == "win64" else ".wdx"
        out = os.path.join(dist, f"probelet-{version}-{preset}.zip")
        with zipfile.ZipFile(out, "w", zipfile.ZIP_DEFLATED) as z:
            for name in ("Probelet.exe", "probelet-cli.exe"):
                z.write(os.path.join(build, name), name)
            for name, path in sorted(host_programs.items()):
                z.write(path, name)
            z.write(os.path.join(root, "README.md"), "README.md")
            z.write(os.path.join(root, "LICENSE"), "LICENSE")
            for plugin, description in SAMPLES.items():
                z.writestr(f"plugins/{plugin}.zip", plugin_archive(build, plugin, description, ext))
        print(out)


if __name__ == "__main__":
    if len(sys.argv) < 5:
        sys.exit(__doc__)
    main(sys.argv[1], sys.argv[2], sys.argv[3], sys.argv[4:])
