#!/usr/bin/env python3
"""probelet-cli over many files, through the real program under Wine: folders
walked with includes and recursion, lists of paths, the streamed JSON with its
summary parsed back, and what it says of bad input."""
import json
import os
import subprocess
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import test_cli as cli  # noqa: E402  (its helpers; not its tests)


def run_with_input(stdin, *args):
    env = dict(os.environ, PROBELET_CLI_DIR=cli.BUILD, WINEPREFIX=os.path.join(cli.BUILD, "wineprefix"))
    p = subprocess.run([os.path.join(cli.ROOT, "scripts", "probelet-cli"), *args], env=env, input=stdin,
                       stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=300)
    return p.returncode, p.stdout.decode("utf-8"), p.stderr.decode("utf-8", "replace")


class ManyFiles(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.tmp = tempfile.TemporaryDirectory()
        cls.root = os.path.join(cls.tmp.name, "music")
        for name in ["x.mp3", "y.txt", "sub/z.mp3", "sub/deeper/w.MP3", "sub/deeper/v.ogg"]:
            path = os.path.join(cls.root, name)
            os.makedirs(os.path.dirname(path), exist_ok=True)
            with open(path, "wb") as f:
                f.write(b"x" * (len(name) + 1))

    @classmethod
    def tearDownClass(cls):
        cls.tmp.cleanup()

    def test_folders_are_walked_with_includes_and_recursion(self):
        # (options, the files reported, below the folder)
        cases = [
            ([], ["x.mp3", "y.txt"]),
            (["--include", "*.mp3"], ["x.mp3"]),
            (["--recurse", "--include", "*.mp3"], ["sub\\deeper\\w.MP3", "sub\\z.mp3", "x.mp3"]),
            (["--recurse", "--include", "*.mp3", "--include", "?.ogg"],
             ["sub\\deeper\\v.ogg", "sub\\deeper\\w.MP3", "sub\\z.mp3", "x.mp3"]),
        ]
        for options, expected in cases:
            with self.subTest(options):
                code, out, err = cli.run("--format", "json", *options, cli.plugin("fileinfo"), self.root)
                self.assertEqual(code, 0, err)
                report = json.loads(out)
                self.assertEqual([f["relative"] for f in report["files"]], expected)
                self.assertEqual(report["summary"]["files"], len(expected))

    def test_a_list_on_standard_input_and_the_summary_over_it(self):
        missing = os.path.join(self.tmp.name, "gone.txt")
        listed = "\n".join([os.path.join(self.root, "x.mp3"), "", missing, os.path.join(self.root, "y.txt")])
        csv_path = os.path.join(self.tmp.name, "summary.csv")
        code, out, err = run_with_input((listed + "\n").encode(), "--format", "json", "--progress",
                                        "--summary-csv", csv_path, "--files-from", "-", cli.plugin("fileinfo"))
        self.assertEqual(code, 0, err)
        self.assertIn("3 of 3 files", err)
        report = json.loads(out)
        self.assertEqual([f["relative"] for f in report["files"]], ["x.mp3", "gone.txt", "y.txt"])
        size = report["summary"]["fields"][0]  # fileinfo's Size
        self.assertEqual((size["name"], size["files"]), ("Size", 3))
        self.assertEqual((size["results"]["value"], size["results"]["file-error"]), (2, 1))
        self.assertEqual(len(report["summary"]["slowest"]), 3)
        # The same summary as CSV, one row per field in CRLF lines.
        with open(csv_path, "rb") as f:
            rows = [line.split(",") for line in f.read().decode().split("\r\n")[:-1]]
        self.assertEqual(len(rows), 1 + len(report["summary"]["fields"]))
        self.assertEqual(dict(zip(rows[0], rows[1]))["name"], "Size")
        self.assertEqual([dict(zip(rows[0], rows[1]))[k] for k in ("files", "value", "file_error")], ["3", "2", "1"])

    def test_bad_input_is_said_before_any_run(self):
        cases = [
            ([os.path.join(self.tmp.name, "nowhere") + "/"], "no such folder"),
            (["--include", "*.flac", self.root], "matched no file"),
            (["--files-from", os.path.join(self.tmp.name, "no-list.txt")], "cannot read the list"),
        ]
        for args, message in cases:
            with self.subTest(message):
                code, out, err = cli.run(cli.plugin("fileinfo"), *args)
                self.assertEqual((code, out), (64, ""))
                self.assertIn(message, err)


if __name__ == "__main__":
    unittest.main(verbosity=2)
