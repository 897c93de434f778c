#!/usr/bin/env python3
"""probelet-cli --baseline through the real program under Wine: a run held
against an earlier JSON report of its own, and baselines it must refuse."""
import copy
import json
import ntpath
import os
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import test_cli as cli  # noqa: E402  (its helpers; not its tests)

NAMES = ["a.txt", "b.txt", "c.txt"]
MTIME = 1700000000  # the Modified field's value, the same in every folder
SLOW = "contract_slow_field"  # the contract plugin whose Size takes 150 ms


def each_row(report, field, **facts):
    for f in report["files"]:
        for row in f["fields"]:
            if field in (None, row["name"]):
                row.update(facts)


def calm(edit=None):
    """The baseline edited, its medians out of reach: a loaded machine's timer noise is no regression."""
    def apply(r):
        each_row(r, None, ms={"min": 0, "median": 1e6, "max": 1e6})
        if edit:
            edit(r)
    return apply


def for_slow_plugin(size_median):
    """The baseline as the slow plugin's, with Size's median: the one field that can be slower."""
    def edit(r):
        r["plugin"] = ntpath.join(ntpath.dirname(r["plugin"]), SLOW + cli.EXT)
        each_row(r, "Size", ms={"min": 0, "median": size_median, "max": size_median})
    return calm(edit)


class Baseline(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.tmp = tempfile.TemporaryDirectory()
        cls.made = cls.folder("made")
        code, out, err = cli.run("--format", "json", "--repeat", "3", cli.GOOD,
                                 *[os.path.join(cls.made, n) for n in NAMES])
        assert code == 0 and out, "the baseline run: status %d; %s" % (code, err)
        cls.text = out
        cls.report = json.loads(out)

    @classmethod
    def tearDownClass(cls):
        cls.tmp.cleanup()

    @classmethod
    def folder(cls, name):
        d = os.path.join(cls.tmp.name, name)
        os.mkdir(d)
        for i, n in enumerate(NAMES):
            cls.write(os.path.join(d, n), b"x" * (10 + i))
        return d

    @staticmethod
    def write(path, data):
        with open(path, "wb") as f:
            f.write(data)
        os.utime(path, (MTIME, MTIME))

    def baseline(self, name, edit=None):
        report = copy.deepcopy(self.report)
        if edit:
            edit(report)
        path = os.path.join(self.tmp.name, name + ".json")
        with open(path, "w", encoding="utf-8") as f:
            json.dump(report, f)
        return path

    def test_each_change_is_found_and_an_unchanged_run_finds_none(self):
        def drop_relative(r):
            for f in r["files"]:
                f.pop("relative")

        def plugin_elsewhere(r):
            r["plugin"] = "C:\\Plugins\\Other Machine\\" + ntpath.basename(r["plugin"]).upper()

        def rename(r):
            each_row(r, "Name", name="Title")

        def other_result(r):  # and another value: the result is the change said
            r["files"][0]["fields"][0].update(result=5, value="7")

        a_rewritten = lambda d: self.write(os.path.join(d, "a.txt"), b"y" * 20)  # Size and Text
        c_deleted = lambda d: os.remove(os.path.join(d, "c.txt"))
        every = lambda kind, field: [(kind, "now/" + n, field) for n in NAMES]
        # (case, baseline edit, folder change, plugin, options, [(kind, folder/file, field)])
        cases = [
            ("unchanged, in another folder", calm(), None, cli.GOOD, [], []),
            ("a baseline without relative paths", calm(drop_relative), None, cli.GOOD, [], []),
            ("the plugin in another folder, in capitals", calm(plugin_elsewhere), None, cli.GOOD, [], []),
            ("a file rewritten", calm(), a_rewritten, cli.GOOD, [],
             [("value-changed", "now/a.txt", 0), ("value-changed", "now/a.txt", 4)]),
            ("a file deleted", calm(), c_deleted, cli.GOOD, [], [("file-missing", "made/c.txt", None)]),
            ("a field renamed", calm(rename), None, cli.GOOD, [], every("field-added", 1) + every("field-missing", 1)),
            ("a result code", calm(other_result), None, cli.GOOD, [], [("result-changed", "now/a.txt", 0)]),
            ("slower", for_slow_plugin(1.0), None, cli.plugin(SLOW), [], every("slower", 0)),
            ("slower, within the factor", for_slow_plugin(120.0), None, cli.plugin(SLOW), [], []),
            ("slower, by a smaller factor", for_slow_plugin(120.0), None, cli.plugin(SLOW),
             ["--slower-factor", "1.1"], every("slower", 0)),
        ]
        for i, (name, edit, change, plugin, options, expected) in enumerate(cases):
            with self.subTest(name):
                now = self.folder("now%d" % i)
                if change:
                    change(now)
                files = [os.path.join(now, n) for n in NAMES if os.path.exists(os.path.join(now, n))]
                code, out, err = cli.run("--format", "json", "--repeat", "3", *options,
                                         "--baseline", self.baseline("case%d" % i, edit), plugin, *files)
                self.assertTrue(out, "no output; status %d; stderr: %r" % (code, err))
                problems = json.loads(out)["problems"]
                made = {f["file"] for f in self.report["files"]}
                found = [(p["kind"], ("made/" if p["file"] in made else "now/") + ntpath.basename(p["file"]),
                          p["field"]) for p in problems]
                self.assertEqual(sorted(found, key=str), sorted(expected, key=str), problems)
                self.assertEqual(code, 1 if expected else 0, err)

    def test_a_baseline_it_cannot_hold_a_run_against_is_a_usage_error(self):
        def read(path):
            with open(path, "rb") as f:
                return f.read()
        good = read(self.baseline("good"))
        other = read(self.baseline("other", lambda r: r.update(plugin="C:\\p\\fileinfo" + cli.EXT)))
        # (case, baseline's bytes (None: no such file), more options, what the message names)
        cases = [
            ("cannot be read", None, [], "cannot read baseline"),
            ("not JSON", b"Plugin: contract\n", [], "is not JSON"),
            ("cut short", self.text.encode()[:len(self.text) // 2], [], "is cut short"),
            ("another tool's JSON", b'{"name": "probelet", "files": []}', [], 'has no "plugin"'),
            ("another plugin", other, [], "made for fileinfo" + cli.EXT),
            ("a factor of 1", good, ["--slower-factor", "1"], "--slower-factor needs"),
        ]
        for i, (name, data, options, message) in enumerate(cases):
            with self.subTest(name):
                path = os.path.join(self.tmp.name, "bad%d.json" % i)
                if data is not None:
                    with open(path, "wb") as f:
                        f.write(data)
                code, out, err = cli.run(*options, "--baseline", path, cli.GOOD, os.path.join(self.made, "a.txt"))
                self.assertEqual((code, out), (64, ""), err)
                self.assertTrue(err.startswith("probelet-cli: "), err)
                self.assertIn(message, err)
                if not options:
                    self.assertIn("bad%d.json" % i, err)


if __name__ == "__main__":
    unittest.main(verbosity=2)
