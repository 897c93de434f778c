#!/usr/bin/env python3
"""What a plugin leaves behind, found by probelet-cli --check under Wine: a
file held open, a leak, a thread still running, a library that stays mapped;
and the user's own files untouched by the checks that find them."""
import json
import os
import re
import sys
import tempfile
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import test_cli as cli  # noqa: E402  (its helpers; not its tests)

KINDS = {"file-left-open", "leak", "thread-left-running", "unload-failed"}
# (plugin, options, {kind: the field it names, None for none})
ROWS = [
    ("leftover_open", [], {"file-left-open": 1}),
    ("leftover_leak", [], {"leak": 1}),
    ("leftover_thread", [], {"thread-left-running": None}),
    ("leftover_pin", [], {"unload-failed": None}),
    ("leftover_sound", [], {}),
    ("fileinfo", [], {}),
    ("textinfo", [], {}),
    ("contract", [], {}),
    ("leftover_thread", ["--in-process"], {"thread-left-running": None}),
    ("leftover_open", ["--in-process"], {"file-left-open": 1}),
]


def listing(folder):
    """Everything in folder, with its bytes and time."""
    return cli.file_state(os.path.join(folder, name) for name in os.listdir(folder))


def holders(paths):
    """Our processes holding one of paths open: Wine's server keeps a Unix
    descriptor for every handle a Windows process has on a file."""
    found = []
    for pid in filter(str.isdigit, os.listdir("/proc")):
        try:
            fds = os.listdir("/proc/%s/fd" % pid)
        except OSError:
            continue  # not ours, or gone
        for fd in fds:
            try:
                target = os.readlink("/proc/%s/fd/%s" % (pid, fd))
            except OSError:
                continue  # closed meanwhile (the listing's own descriptor among them)
            if target in paths:
                found.append((pid, target))
    return found


class Leftovers(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.tmp = tempfile.TemporaryDirectory()
        cls.folder = os.path.realpath(cls.tmp.name)
        cls.files = []
        for name, data in [("notes.txt", b"first line\r\nsecond line\r\n"), ("table.csv", b"a,b\r\n1,2\r\n")]:
            cls.files.append(os.path.join(cls.folder, name))
            with open(cls.files[-1], "wb") as f:
                f.write(data)
            os.utime(cls.files[-1], ns=(1600000000 * 10**9, 1600000000 * 10**9))
        cls.before = listing(cls.folder)

    @classmethod
    def tearDownClass(cls):
        cls.tmp.cleanup()

    def assert_files_untouched(self):
        self.assertEqual(listing(self.folder), self.before)
        for _ in range(20):  # the server lets go of a dead process's handles a moment later
            held = holders(self.files)
            if not held:
                break
            time.sleep(0.1)
        self.assertEqual(held, [])

    def test_each_leftover_is_found_where_it_is_left_and_sound_plugins_show_none(self):
        for name, options, expected in ROWS:
            with self.subTest(name, options=options):
                code, out, err = cli.run("--check", "--repeat", "200", "--format", "json", *options,
                                         cli.plugin(name), *self.files)
                self.assertTrue(out, "no output; status %d; stderr: %r" % (code, err))
                problems = json.loads(out)["problems"]
                ours = [p for p in problems if p["kind"] in KINDS]
                self.assertEqual({p["kind"] for p in ours}, set(expected), ours)
                for p in ours:
                    self.assertEqual(p.get("field"), expected[p["kind"]], p)
                    if p["kind"] == "file-left-open":  # the user's path, not the copy's
                        self.assertIn(p["file"].replace("\\", "/")[2:], self.files, p)
                self.assertEqual(code, 1 if problems else 0, err)
                self.assert_files_untouched()

    def test_too_few_repeats_say_the_leak_check_did_not_run(self):
        code, out, err = cli.run("--check", "--repeat", "10", "--format", "json",
                                 cli.plugin("leftover_leak"), *self.files)
        self.assertTrue(out, "no output; status %d; stderr: %r" % (code, err))
        self.assertRegex(err, re.compile(r"leak.*200", re.IGNORECASE))
        self.assertNotIn("leak", [p["kind"] for p in json.loads(out)["problems"]])
        self.assert_files_untouched()


if __name__ == "__main__":
    unittest.main(verbosity=2)
