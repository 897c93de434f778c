#!/usr/bin/env python3
"""probelet-cli --baseline under Wine: a run held against an earlier JSON report, and baselines refused."""
import json
import ntpath
import glob
import os
import queue
import signal
import subprocess
import sys
import tempfile
import threading
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import test_cli as cli  # noqa: E402  (its helpers; not its tests)

NAMES = ["a.txt", "b.txt", "c.txt"]
SLOW = "contract_slow_field"  # the contract plugin whose Size takes 150 ms


def rows(report, field=None, **facts):
    [row.update(facts) for f in report["files"] for row in f["fields"] if field in (None, row["name"])]


def edited(*edits):
    """Medians out of reach first (timer noise on a loaded machine is no regression), then the edits."""
    return [lambda r: rows(r, ms={"min": 0, "median": 1e6, "max": 1e6})] + list(edits)


def slow_plugin(r):
    r["plugin"] = ntpath.join(ntpath.dirname(r["plugin"]), SLOW + cli.EXT)
    rows(r, "Size", ms={"min": 0, "median": 1.0, "max": 1.0})


def write(path, data):
    with open(path, "wb") as f:
        f.write(data)
    os.utime(path, (1700000000, 1700000000))  # the Modified field: the same in every folder


class Baseline(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.tmp = tempfile.TemporaryDirectory()
        cls.addClassCleanup(cls.tmp.cleanup)
        cls.made = cls.folder("made")
        code, cls.text, err = cli.run("--format", "json", "--repeat", "3", cli.GOOD,
                                      *[os.path.join(cls.made, n) for n in NAMES])
        assert code == 0 and cls.text, "the baseline run: status %d; %s" % (code, err)

    @classmethod
    def folder(cls, name):
        os.mkdir(os.path.join(cls.tmp.name, name))
        for i, n in enumerate(NAMES):
            write(os.path.join(cls.tmp.name, name, n), b"x" * (10 + i))
        return os.path.join(cls.tmp.name, name)

    def test_each_change_is_found_and_an_unchanged_run_finds_none(self):
        every = lambda kind, field: [(kind, "now/" + n, field) for n in NAMES]
        # (case, baseline edits, change to the folder, plugin, options, [(kind, folder/file, field)])
        cases = [
            ("unchanged, in another folder", edited(), None, cli.GOOD, [], []),
            ("a baseline without relative paths", edited(lambda r: [f.pop("relative") for f in r["files"]]), None,
             cli.GOOD, [], []),
            ("the plugin in another folder, in capitals", edited(lambda r: r.update(
                plugin="C:\\Plugins\\Other Machine\\" + ntpath.basename(r["plugin"]).upper())), None, cli.GOOD, [], []),
            ("a file rewritten", edited(), lambda d: write(os.path.join(d, "a.txt"), b"y" * 20), cli.GOOD, [],
             [("value-changed", "now/a.txt", 0), ("value-changed", "now/a.txt", 4)]),  # Size and Text
            ("a file deleted", edited(), lambda d: os.remove(os.path.join(d, "c.txt")), cli.GOOD, [],
             [("file-missing", "made/c.txt", None)]),
            ("a field renamed", edited(lambda r: rows(r, "Name", name="Title")), None, cli.GOOD, [],
             every("field-added", 1) + every("field-missing", 1)),
            ("a result code, and so its value", edited(lambda r: r["files"][0]["fields"][0].update(
                result=5, value="7")), None, cli.GOOD, [], [("result-changed", "now/a.txt", 0)]),
            ("slower", edited(slow_plugin), None, cli.plugin(SLOW), [], every("slower", 0)),
            ("slower, within the factor", edited(slow_plugin), None, cli.plugin(SLOW), ["--slower-factor", "500"], []),
        ]
        made = {f["file"] for f in json.loads(self.text)["files"]}
        for i, (name, edits, change, plugin, options, expected) in enumerate(cases):
            with self.subTest(name):
                now = self.folder("now%d" % i)
                if change:
                    change(now)
                baseline = json.loads(self.text)
                for edit in edits:
                    edit(baseline)
                write(os.path.join(now, "baseline.json"), json.dumps(baseline).encode())
                code, out, err = cli.run("--format", "json", "--repeat", "3", *options, "--baseline",
                                         os.path.join(now, "baseline.json"), plugin,
                                         *[p for p in (os.path.join(now, n) for n in NAMES) if os.path.exists(p)])
                self.assertTrue(out, "no output; status %d; stderr: %r" % (code, err))
                problems = json.loads(out)["problems"]
                found = [(p["kind"], ("made/" if p["file"] in made else "now/") + ntpath.basename(p["file"]),
                          p["field"]) for p in problems]
                self.assertEqual(sorted(found, key=str), sorted(expected, key=str), problems)
                self.assertEqual(code, 1 if expected else 0, err)

    def test_a_baseline_it_cannot_hold_a_run_against_is_a_usage_error(self):
        other = json.dumps(dict(json.loads(self.text), plugin="C:\\p\\fileinfo" + cli.EXT))
        # (case, the baseline's text (None: no such file), what the message names)
        cases = [
            ("cannot be read", None, "cannot read baseline"),
            ("not JSON", "Plugin: contract\n", "is not JSON"),
            ("cut short", self.text[:len(self.text) // 2], "is cut short"),
            ("another tool's JSON", '{"name": "probelet", "files": []}', 'has no "plugin"'),
            ("another plugin", other, "made for fileinfo" + cli.EXT),
        ]
        for i, (name, text, message) in enumerate(cases):
            with self.subTest(name):
                path = os.path.join(self.tmp.name, "bad%d.json" % i)
                if text is not None:
                    write(path, text.encode())
                code, out, err = cli.run("--baseline", path, cli.GOOD, os.path.join(self.made, "a.txt"))
                self.assertEqual((code, out), (64, ""), err)
                self.assertTrue(err.startswith("probelet-cli: "), err)
                self.assertIn(message, err)
                self.assertIn("bad%d.json" % i, err)  # which baseline


class Watch(unittest.TestCase):
    def setUp(self):
        tmp = tempfile.TemporaryDirectory()
        self.addCleanup(tmp.cleanup)
        self.folder = tmp.name
        for i, n in enumerate(NAMES):
            write(os.path.join(self.folder, n), b"x" * (10 + i))
        self.env = dict(os.environ, PROBELET_CLI_DIR=cli.BUILD, WINEPREFIX=os.path.join(cli.BUILD, "wineprefix"))

    def watch(self, plugin):
        """Starts --watch over the folder; returns the process and until(text): the lines up to one holding text."""
        # A busy machine's timer noise is no change here; the loop is the same in either process.
        p = subprocess.Popen([os.path.join(cli.ROOT, "scripts", "probelet-cli"), "--watch", "--in-process",
                              "--slower-factor", "1000", plugin, self.folder],
                             env=self.env, stdout=subprocess.PIPE, stderr=subprocess.PIPE, start_new_session=True)
        self.addCleanup(lambda: p.poll() is None and os.killpg(p.pid, signal.SIGKILL))
        lines = queue.Queue()
        threading.Thread(target=lambda: [lines.put(l.decode("utf-8", "replace")) for l in p.stdout],
                         daemon=True).start()

        def until(text):
            seen = []
            deadline = time.time() + 120
            while time.time() < deadline:
                try:
                    seen.append(lines.get(timeout=1))
                except queue.Empty:
                    continue
                if text in seen[-1]:
                    return seen
            self.fail("no %r in %r; stderr: %r" % (text, seen, p.stderr.read1() if p.poll() is not None else ""))
        return p, until

    def test_a_change_is_told_in_the_baselines_kinds_and_nothing_is_left_behind(self):
        scratch = lambda: glob.glob(os.path.join(self.env["WINEPREFIX"], "drive_c", "users", "*", "**",
                                                 "probelet-cli-watch-*"), recursive=True)
        before = set(scratch())
        p, until = self.watch(cli.GOOD)
        first = until("Watching ")
        self.assertTrue(any("a.txt" in l for l in first), first)  # the first run is reported in full
        kept = set(scratch()) - before
        self.assertEqual(len(kept), 2, "the two runs kept to compare")

        write(os.path.join(self.folder, "a.txt"), b"y" * 40)
        os.remove(os.path.join(self.folder, "c.txt"))
        told = until("Watching ")
        run = next(l for l in told if l.startswith("Run 2 at "))
        self.assertTrue(run.rstrip().endswith(": 3 changes"), told)
        found = sorted((l.split()[0], ntpath.basename(l.split()[1])) for l in told if l.startswith("  "))
        self.assertEqual(found, [("file-missing", "c.txt"), ("value-changed", "a.txt"), ("value-changed", "a.txt")],
                         told)

        os.killpg(p.pid, signal.SIGINT)  # as Ctrl+C ends it
        p.wait(timeout=60)
        deadline = time.time() + 30
        while any(os.path.exists(k) for k in kept) and time.time() < deadline:
            time.sleep(0.5)
        self.assertEqual([k for k in kept if os.path.exists(k)], [])

    def test_a_plugin_that_stops_loading_is_said_and_the_last_good_run_stays_the_one_compared(self):
        plugin = os.path.join(self.folder, "..", os.path.basename(self.folder) + "-plugin" + cli.EXT)
        with open(cli.GOOD, "rb") as f:
            good = f.read()
        write(plugin, good)
        self.addCleanup(os.remove, plugin)
        _, until = self.watch(plugin)
        until("Watching ")
        write(plugin, b"not a library any more")  # a build that failed half-way
        told = until("Watching ")
        self.assertTrue(any(l.startswith("Run 2 at ") and "the plugin did not load" in l for l in told), told)
        with open(plugin, "wb") as f:
            f.write(good)  # a new time: a change to watch
        told = until("Watching ")
        self.assertTrue(any(l.startswith("Run 3 at ") and l.rstrip().endswith(": 0 changes") for l in told), told)


if __name__ == "__main__":
    unittest.main(verbosity=2)
