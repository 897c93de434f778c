#!/usr/bin/env python3
"""probelet-cli --fuzz under Wine: the planted fault of fuzzme found, saved,
shrunk, replayed and found again the same way with the same --seed; a sound
plugin without findings; bad input refused before any run; seeds untouched."""
import glob
import json
import os
import re
import struct
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import test_cli as cli  # noqa: E402  (its helpers; not its tests)

# Reaches the payload without reaching the fault: offset 4 of 24 bytes.
SOUND = b"PFZ1" + struct.pack("<I", 4) + bytes(range(0x41, 0x41 + 24))
NAME = re.compile(r"fault-ContentGetValue-field1-C0000005-\d+\.pfz$")


def unix(path):
    """A Windows path of drive Z: as its Unix path."""
    return re.sub(r"^[Zz]:", "", path).replace("\\", "/")


class Fuzz(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.tmp = tempfile.TemporaryDirectory()
        cls.root = os.path.realpath(cls.tmp.name)
        cls.seeds = os.path.join(cls.root, "seeds")
        cls.empty = os.path.join(cls.root, "empty")
        for d in (cls.seeds, cls.empty):
            os.mkdir(d)
        cls.seed = os.path.join(cls.seeds, "sound.pfz")
        cls.text = os.path.join(cls.root, "notes.txt")
        for path, data in [(cls.seed, SOUND), (cls.text, b"first line\r\nsecond line\r\n")]:
            with open(path, "wb") as f:
                f.write(data)
            os.utime(path, ns=(1600000000 * 10**9, 1600000000 * 10**9))
        cls.before = cli.file_state([cls.seed, cls.text])

    @classmethod
    def tearDownClass(cls):
        cls.tmp.cleanup()

    def out_folder(self):
        return tempfile.mkdtemp(dir=self.root, prefix="out-")

    def assert_seeds_untouched(self):
        self.assertEqual(os.listdir(self.seeds), ["sound.pfz"])
        self.assertEqual(cli.file_state(self.before), self.before)

    def fuzz(self, name, out, runs, *seeds):
        code, text, err = cli.run("--fuzz", "--out", out, "--runs", str(runs), "--seed", "7", "--format", "json",
                                  *seeds, cli.plugin(name))
        self.assertTrue(text, "no output; status %d; stderr: %r" % (code, err))
        # The inputs went with the run, even those the plugin held when their answer came.
        self.assertEqual(glob.glob(os.path.join(cli.BUILD, "wineprefix", "drive_c", "users", "*", "Temp",
                                                "probelet-fuzz-*")), [])
        return code, json.loads(text)["fuzz"], err

    def test_the_planted_fault_is_found_saved_shrunk_replayed_and_reproduced(self):
        seen = []
        for attempt in range(2):
            out = self.out_folder()
            code, report, err = self.fuzz("fuzzme", out, 3000, self.seed)
            self.assertEqual(code, 1, err)
            self.assertEqual((report["seed"], report["stopped"]), (7, None))
            self.assertEqual(len(report["findings"]), 1, report["findings"])
            f = report["findings"][0]
            self.assertEqual((f["kind"], f["entry_point"], f["field"], f["code"]),
                             ("fault", "ContentGetValue", 1, 0xC0000005))
            self.assertGreaterEqual(f["count"], 1)
            self.assertRegex(f["at"] or "", r"^fuzzme%s\+0x[0-9A-Fa-f]+$" % re.escape(cli.EXT))
            saved, shrunk = unix(f["file"]), unix(f["shrunk"])
            self.assertRegex(saved, NAME)
            self.assertEqual(shrunk, saved[:-len(".pfz")] + "-min.pfz")
            self.assertEqual(sorted(os.listdir(out)), sorted(map(os.path.basename, (saved, shrunk))))
            self.assertEqual(os.path.dirname(saved), out)
            self.assertEqual((os.path.getsize(saved), os.path.getsize(shrunk)), (f["bytes"], f["shrunk_bytes"]))
            self.assertLessEqual(f["shrunk_bytes"], f["bytes"])
            for path in (saved, shrunk):
                with self.subTest("replay", path=os.path.basename(path)):
                    code, text, err = cli.run("--format", "json", cli.plugin("fuzzme"), path)
                    self.assertEqual(code, 1, err)
                    fields = json.loads(text)["files"][0]["fields"]
                    self.assertEqual(fields[1]["value"], "<Exception 0xC0000005>", fields)
            self.assert_seeds_untouched()
            with open(saved, "rb") as a, open(shrunk, "rb") as b:
                contents = (a.read(), b.read())
            seen.append((dict(f, file=os.path.basename(saved), shrunk=os.path.basename(shrunk)), contents))
        self.assertEqual(seen[0], seen[1], "the same --seed found something else")

    def test_a_plugin_that_never_fails_has_no_findings(self):
        # leftover_open keeps the last file it read open: no failure, but its input cannot go at once.
        for name, runs, seeds in [("fileinfo", 1500, [self.seed, self.text]), ("fileinfo", 1500, [self.seeds, self.text]),
                                  ("leftover_open", 100, [self.text])]:
            with self.subTest(name, seeds=[os.path.basename(s) for s in seeds]):
                out = self.out_folder()
                code, report, err = self.fuzz(name, out, runs, *seeds)
                self.assertEqual((code, report["runs"], report["findings"]), (0, runs, []), err)
                self.assertEqual(os.listdir(out), [])
                self.assert_seeds_untouched()

    def test_a_crash_and_a_hang_are_findings_and_the_inputs_queued_behind_them_still_run(self):
        seeds = os.path.join(self.root, "killers")
        os.mkdir(seeds)
        for name, data in [("a-crash.pfz", b"PFZC" + SOUND[4:]), ("b-hang.pfz", b"PFZH" + SOUND[4:]),
                           ("c-sound.pfz", SOUND)]:
            with open(os.path.join(seeds, name), "wb") as f:
                f.write(data)
        out = self.out_folder()
        code, text, err = cli.run("--fuzz", "--out", out, "--runs", "60", "--seed", "7", "--timeout", "500",
                                  "--format", "json", seeds, cli.plugin("fuzzme"))
        report = json.loads(text)["fuzz"]
        self.assertEqual((code, report["runs"], report["stopped"]), (1, 60, None), err)
        kinds = {(f["kind"], f["field"], f["code"]): f for f in report["findings"]}
        self.assertIn(("crash", 1, 0xC0000005), kinds)
        self.assertIn(("hang", 1, 0), kinds)
        self.assertRegex(kinds[("crash", 1, 0xC0000005)]["at"] or "", r"^fuzzme%s\+0x" % re.escape(cli.EXT))
        for f in kinds.values():
            self.assertTrue(os.path.exists(unix(f["file"])) and os.path.exists(unix(f["shrunk"])), f)

    def test_bad_input_is_refused_before_any_run(self):
        not_a_plugin = os.path.join(self.root, "plugin.txt")
        with open(not_a_plugin, "w") as f:
            f.write("not a library")
        fuzzme = cli.plugin("fuzzme")
        # (case, arguments after --fuzz, OUT standing for an empty folder; status; what the message names)
        rows = [
            ("no seeds", ["--out", "OUT", "--runs", "10", fuzzme], 64, "seed"),
            ("an empty seed folder", ["--out", "OUT", "--runs", "10", self.empty, fuzzme], 64, "empty"),
            ("--out a regular file", ["--out", self.text, "--runs", "10", self.seed, fuzzme], 64, "notes.txt"),
            ("not a plugin", ["--out", "OUT", "--runs", "10", self.seed, not_a_plugin], 2, "plugin.txt"),
            ("neither --runs nor --time", ["--out", "OUT", self.seed, fuzzme], 64, "--runs|--time"),
        ]
        for case, args, status, message in rows:
            with self.subTest(case):
                out = self.out_folder()
                code, _, err = cli.run("--fuzz", *[out if a == "OUT" else a for a in args])
                self.assertEqual(code, status, err)
                self.assertRegex(err, re.compile(message, re.IGNORECASE))
                self.assertEqual(os.listdir(out), [])
                self.assert_seeds_untouched()

if __name__ == "__main__":
    unittest.main(verbosity=2)
