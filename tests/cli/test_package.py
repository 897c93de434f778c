#!/usr/bin/env python3
"""The release package of the build tree under test, read back: its files,
the version from the one place it is set, and installable plugin archives."""
import configparser
import io
import os
import re
import subprocess
import sys
import tempfile
import unittest
import zipfile

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
BUILD = os.environ.get("PROBELET_BUILD_DIR", os.path.join(ROOT, "build", "win32"))


class Package(unittest.TestCase):
    def test_the_package_holds_the_programs_and_installable_plugins(self):
        header = open(os.path.join(BUILD, "generated", "probelet_version.h")).read()
        version = re.search(r'#define PROBELET_VERSION "([^"]+)"', header).group(1)
        cmake = open(os.path.join(ROOT, "CMakeLists.txt")).read()
        self.assertIn(f"VERSION {version} ", cmake)  # set once, there
        preset = os.path.basename(os.path.normpath(BUILD))[-5:]
        ext = ".wdx64" if preset == "win64" else ".wdx"
        with tempfile.TemporaryDirectory() as dist:
            subprocess.run([sys.executable, os.path.join(ROOT, "scripts", "make_packages.py"), ROOT, version,
                            dist, BUILD], check=True, stdout=subprocess.DEVNULL)
            package = os.path.join(dist, f"probelet-{version}-{preset}.zip")
            with zipfile.ZipFile(package) as z:
                self.assertEqual(sorted(z.namelist()),
                                 ["LICENSE", "Probelet.exe", "README.md", "plugins/fileinfo.zip",
                                  "plugins/textinfo.zip", "probelet-cli.exe",
                                  "probelet-host32.exe" if preset == "win32" else "probelet-host64.exe"])
                self.assertEqual(z.read("Probelet.exe"), open(os.path.join(BUILD, "Probelet.exe"), "rb").read())
                for plugin in ("fileinfo", "textinfo"):
                    with self.subTest(plugin):
                        inner = zipfile.ZipFile(io.BytesIO(z.read(f"plugins/{plugin}.zip")))
                        self.assertEqual(sorted(inner.namelist()), sorted(["pluginst.inf", plugin + ext]))
                        inf = configparser.ConfigParser()
                        inf.read_string(inner.read("pluginst.inf").decode("ascii"))
                        section = inf["plugininstall"]
                        self.assertEqual((section["type"], section["file"], section["name"], section["defaultdir"]),
                                         ("wdx", plugin + ".wdx", plugin, plugin))
                        self.assertTrue(section["description"])
                        self.assertEqual(inner.read(plugin + ext),
                                         open(os.path.join(BUILD, "plugins", plugin + ext), "rb").read())


if __name__ == "__main__":
    unittest.main(verbosity=2)
